#include "support/session_record.h"

#include <charconv>

namespace weibo {
namespace {

// The first line of a record: the format's name and version. A record of
// another version is not read, so a later format can change freely.
constexpr char kMagic[] = "weibo-session 1\n";

bool IsCleanLine(const Text& text) {
  return text.find_first_of(Text("\r\n\0", 3)) == Text::npos;
}

}  // namespace

ByteArray EncodeSessionRecord(const Text& owner, const Text& cookie_jar) {
  ByteArray record = kMagic;
  record += "owner " + owner + "\n";
  record += "length " + std::to_string(cookie_jar.size()) + "\n";
  record += cookie_jar;
  record += "\nend\n";
  return record;
}

std::optional<Text> DecodeSessionRecord(const ByteArray& record, const Text& owner) {
  const Text head = Text(kMagic) + "owner " + owner + "\nlength ";
  if (record.compare(0, head.size(), head) != 0) return std::nullopt;
  const std::size_t number_end = record.find('\n', head.size());
  if (number_end == ByteArray::npos) return std::nullopt;
  std::size_t length = 0;
  const char* first = record.data() + head.size();
  const char* last = record.data() + number_end;
  const auto [end, error] = std::from_chars(first, last, length);
  if (error != std::errc() || end != last || first == last) return std::nullopt;
  const std::size_t jar_start = number_end + 1;
  constexpr char kTail[] = "\nend\n";
  if (record.size() - jar_start < sizeof(kTail) - 1 ||
      record.size() - jar_start - (sizeof(kTail) - 1) != length) {
    return std::nullopt;
  }
  if (record.compare(jar_start + length, ByteArray::npos, kTail) != 0) return std::nullopt;
  Text jar = record.substr(jar_start, length);
  if (!IsCleanLine(jar)) return std::nullopt;
  return jar;
}

}  // namespace weibo
