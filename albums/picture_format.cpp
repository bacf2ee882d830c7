#include "albums/picture_format.h"

#include "web/header_text.h"

namespace weibo {
namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// The media type of a Content-Type value, lower-cased, without parameters.
Text MediaType(std::string_view value) {
  const std::size_t semicolon = value.find(';');
  return AsciiLower(TrimSpaces(Text(value.substr(0, semicolon))));
}

}  // namespace

bool LooksLikePicture(std::string_view leading) {
  using namespace std::string_view_literals;
  if (StartsWith(leading, "\xFF\xD8\xFF"sv)) return true;                  // JPEG
  if (StartsWith(leading, "\x89PNG\r\n\x1A\n"sv)) return true;             // PNG
  if (StartsWith(leading, "GIF87a"sv) || StartsWith(leading, "GIF89a"sv)) return true;
  if (StartsWith(leading, "RIFF"sv) && leading.size() >= 12 &&
      leading.substr(8, 4) == "WEBP"sv) {
    return true;
  }
  return StartsWith(leading, "BM"sv);  // BMP
}

bool ContentTypeAllowsPicture(std::string_view raw_headers) {
  static constexpr std::string_view kName = "content-type:";
  Text type;
  for (const Text& line : SplitBytes(raw_headers, "\r\n")) {
    if (AsciiLower(line.substr(0, kName.size())) == kName) type = MediaType(HeaderValue(line));
  }
  if (type.empty()) return true;
  if (type.starts_with("image/") || type == "application/octet-stream" ||
      type == "binary/octet-stream") {
    return true;
  }
  for (std::string_view word : {"text/", "html", "json", "xml", "javascript", "ecmascript"}) {
    if (type.find(word) != Text::npos) return false;
  }
  return true;
}

}  // namespace weibo
