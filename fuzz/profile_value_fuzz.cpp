// Profile values: a value found stands right after a start marker and right
// before the end marker, and holds no end marker of its own.
#include "albums/profile_value.h"
#include "fuzz/fuzz_check.h"

namespace {

using weibo::Text;

void Check(const Text& page, const Text& start, const Text& end) {
  const Text value = weibo::ValueBetweenMarkers(page, start, end);
  if (value.empty()) return;
  FUZZ_CHECK(page.find(start + value + end) != Text::npos);
  if (!weibo::fuzz::EndsInLeadByte(start)) {
    FUZZ_CHECK(!weibo::fuzz::ContainsCharacters(value, end));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  weibo::fuzz::Pieces pieces(data, size);
  const Text start = pieces.Next();
  const Text end = pieces.Next();
  const Text page = pieces.Rest();
  Check(page, start, end);
  // The markers the tool reads a profile page with.
  Check(page, "$CONFIG['oid']='", "'; ");
  Check(page, "$CONFIG['onick']='", "'; ");
  return 0;
}
