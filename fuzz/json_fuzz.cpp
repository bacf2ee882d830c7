// JSON reply access: any text parses or leaves an empty document without
// harm, and a walk of it never fails; a string of code page 936 characters
// (as a conversion from Unicode gives them) reads back unchanged whether its
// characters stand raw or \u-escaped, as a value and as a member key.
#include <cstdio>
#include <unordered_map>

#include "fuzz/fuzz_check.h"
#include "support/icu_codepage.h"
#include "support/json_reply.h"

namespace weibo {
namespace {

// Visits nodes depth first, at most `*budget` of them.
void Walk(const JsonNode& node, const Text& key, int depth, int* budget) {
  if (--*budget < 0) return;
  const JsonTypedValue value = JsonValue(node);
  const Text text = JsonText(node);
  if (node.IsEmpty()) FUZZ_CHECK(text == "0");
  if (value.kind == JsonTypedValue::Kind::kNone) FUZZ_CHECK(text.empty());
  if (value.kind == JsonTypedValue::Kind::kText) FUZZ_CHECK(text == value.text);
  if (depth > 8) return;
  const int length = JsonLength(node);
  FUZZ_CHECK(length >= 0);
  FUZZ_CHECK(JsonElement(node, length).IsEmpty());
  FUZZ_CHECK(JsonElement(node, -1).IsEmpty());
  for (int i = 0; i < length && i < 64; ++i) Walk(JsonElement(node, i), key, depth + 1, budget);
  for (const Text& name : {key, Text("data"), Text()}) {
    const JsonNode member = JsonMember(node, name);
    if (value.kind != JsonTypedValue::Kind::kNone) FUZZ_CHECK(member.IsEmpty());
    if (!member.IsEmpty()) Walk(member, key, depth + 1, budget);
  }
}

// `text` as the body of a JSON string, its characters raw: quote, backslash
// and one-byte control characters escaped, everything else as it stands.
Text RawString(const Text& text) {
  Text out;
  for (std::string_view c : fuzz::Characters(text)) {
    if (c.size() == 1 && (c[0] == '"' || c[0] == '\\')) {
      out += '\\';
      out += c;
    } else if (c.size() == 1 && static_cast<unsigned char>(c[0]) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c[0]));
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

// The \u escape of a character when the escape rule spells it back
// byte-identically (a two-byte character whose GB18030 bytes are its code
// page 936 bytes), else empty. Cached: ICU opens a converter per call.
const Text& EscapeOf(std::string_view character) {
  static std::unordered_map<Text, Text> cache;
  auto [it, inserted] = cache.try_emplace(Text(character));
  if (!inserted) return it->second;
  const std::u16string units = CodePage936ToUtf16(character);
  if (units.size() == 1 && units[0] >= 0x80 && units[0] != 0xFFFD &&
      EncodeGb18030(units) == character) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(units[0]));
    it->second = escape;
  }
  return it->second;
}

// The same with every character that the escape rule spells back
// byte-identically written as \u escapes (two-byte characters, which the
// escape rule turns into their GB18030 bytes), the rest as in RawString.
Text EscapedString(const Text& text) {
  Text out;
  for (std::string_view c : fuzz::Characters(text)) {
    const Text& escape = EscapeOf(c);
    out += escape.empty() ? RawString(Text(c)) : escape;
  }
  return out;
}

Text ReadString(const Text& document_text, const Text& key) {
  JsonNode document;
  FUZZ_CHECK(JsonParse(document, document_text));
  return JsonText(JsonMember(document, key));
}

void CheckRoundTrip(Text text) {
  // A zero byte ends a JSON text. Replies reach the parser converted from
  // Unicode, so only valid characters of the code page need to survive.
  std::erase(text, '\0');
  text = fuzz::ValidCharacters(text);
  const Text raw = "{\"k\":\"" + RawString(text) + "\"}";
  const Text escaped = "{\"k\":\"" + EscapedString(text) + "\"}";
  FUZZ_CHECK(ReadString(raw, "k") == text);
  FUZZ_CHECK(ReadString(escaped, "k") == text);
  // As a key: the raw and the escaped spelling find the same member.
  FUZZ_CHECK(ReadString("{\"" + RawString(text) + "\":\"v\"}", text) == "v");
  FUZZ_CHECK(ReadString("{\"" + EscapedString(text) + "\":\"v\"}", text) == "v");
}

}  // namespace
}  // namespace weibo

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const weibo::Text input(reinterpret_cast<const char*>(data), size);
  weibo::JsonNode document;
  const bool parsed = weibo::JsonParse(document, input);
  if (!parsed) FUZZ_CHECK(document.IsEmpty());
  weibo::fuzz::Pieces pieces(data, size);
  const weibo::Text key = pieces.Next();
  int budget = 4096;
  weibo::Walk(document, key, 0, &budget);
  weibo::JsonRelease(document);
  FUZZ_CHECK(document.IsEmpty());
  weibo::CheckRoundTrip(input);
  return 0;
}
