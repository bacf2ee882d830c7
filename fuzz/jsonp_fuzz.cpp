// JSON-P unwrapping: the body is what stands between its brackets; a reply
// of the form name(json) reads like json itself; and a well-formed reply is
// never cut inside a string, whatever brackets or characters it holds.
#include "fuzz/fuzz_check.h"
#include "signin/jsonp.h"
#include "support/json_reply.h"

namespace {

using weibo::Text;

// `text` as the inside of a JSON string: quote, backslash and one-byte
// control characters escaped, every other character as it stands.
Text StringBody(const Text& text) {
  Text out;
  for (std::string_view c : weibo::fuzz::Characters(text)) {
    const auto byte = static_cast<unsigned char>(c[0]);
    if (c.size() == 1 && (c[0] == '"' || c[0] == '\\')) {
      out += '\\';
      out += c;
    } else if (c.size() == 1 && byte < 0x20) {
      out += "\\u00";
      out += "0123456789abcdef"[byte >> 4];
      out += "0123456789abcdef"[byte & 15];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Text reply(reinterpret_cast<const char*>(data), size);
  const Text body = weibo::JsonpBody(reply);
  if (!body.empty()) FUZZ_CHECK(reply.find("(" + body + ")") != Text::npos);
  weibo::JsonNode document;
  weibo::JsonParse(document, body);
  (void)weibo::JsonText(weibo::JsonMember(document, "retcode"));

  weibo::fuzz::Pieces pieces(data, size);
  Text name = pieces.Next();
  Text message = weibo::fuzz::ValidCharacters(pieces.Rest());
  std::erase(message, '\0');  // a zero byte ends a JSON text
  if (name.find_first_of("()\"") != Text::npos || weibo::fuzz::EndsInLeadByte(name)) return 0;

  // A message with any brackets, quotes or characters, inside its string.
  const Text json = "{\"retcode\":20000000,\"msg\":\"" + StringBody(message) + "\"}";
  const Text wrapped = name + "(" + json + ");";
  FUZZ_CHECK(weibo::JsonpBody(wrapped) == json);
  weibo::JsonNode unwrapped;
  FUZZ_CHECK(weibo::JsonParse(unwrapped, weibo::JsonpBody(wrapped)));
  FUZZ_CHECK(weibo::JsonText(weibo::JsonMember(unwrapped, "msg")) == message);
  return 0;
}
