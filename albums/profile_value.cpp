#include "albums/profile_value.h"

namespace weibo {

Text ValueBetweenMarkers(std::string_view page, std::string_view start_marker,
                         std::string_view end_marker) {
  const int marker_length = static_cast<int>(start_marker.size());
  int start_at = TextFind(page, start_marker);
  if (start_at < 0) return Text();
  const int end_at = TextFind(page, end_marker, start_at + marker_length);
  if (end_at < 0) return Text();
  const int again_at = TextFind(page, start_marker, start_at + marker_length);
  if (again_at > 0 && again_at < end_at) start_at = again_at;
  const int value_at = start_at + marker_length;
  if (end_at < value_at) return Text();
  return TextMid(page, value_at, end_at - value_at);
}

}  // namespace weibo
