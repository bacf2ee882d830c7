#include "albums/failure_list.h"

#include "albums/album_texts.h"
#include "web/header_text.h"

namespace weibo {

ByteArray MergedFailureList(const ByteArray& old_list, const std::vector<Text>& failures,
                            const std::set<Text>& tried, bool every_page_listed) {
  ByteArray list;
  std::set<Text> listed;
  for (const Text& address : failures) {
    if (listed.insert(address).second) list += address + "\r\n";
  }
  if (every_page_listed) return list;
  for (Text line : SplitBytes(old_list, "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.find(kPhotoListPath) != Text::npos || tried.count(line) > 0) continue;
    if (listed.insert(line).second) list += line + "\r\n";
  }
  return list;
}

}  // namespace weibo
