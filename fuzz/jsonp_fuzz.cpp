// JSON-P unwrapping: the body is what stands between its brackets, and a
// wrapped document parses exactly like the bare one.
#include "fuzz/fuzz_check.h"
#include "signin/jsonp.h"
#include "support/json_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using weibo::Text;
  const Text reply(reinterpret_cast<const char*>(data), size);
  const Text body = weibo::JsonpBody(reply);
  if (!body.empty()) {
    // The body stands between a "(" and a ")" and holds no ")" of its own.
    FUZZ_CHECK(reply.find("(" + body + ")") != Text::npos);
    FUZZ_CHECK(!weibo::fuzz::ContainsCharacters(body, ")"));
  }
  weibo::JsonNode document;
  weibo::JsonParse(document, body);
  (void)weibo::JsonText(weibo::JsonMember(document, "retcode"));

  // A reply of the form name(json), where json holds no bracket, unwraps to
  // json and reads the same as json itself.
  weibo::fuzz::Pieces pieces(data, size);
  const Text name = pieces.Next();
  const Text json = pieces.Rest();
  if (name.find_first_of("()") != Text::npos || json.find_first_of("()") != Text::npos) return 0;
  // A lead byte at the end would take the bracket after it as its second byte.
  if (weibo::fuzz::EndsInLeadByte(name) || weibo::fuzz::EndsInLeadByte(json)) return 0;
  const Text wrapped = name + "(" + json + ");";
  FUZZ_CHECK(weibo::JsonpBody(wrapped) == json);
  weibo::JsonNode bare;
  weibo::JsonNode unwrapped;
  FUZZ_CHECK(weibo::JsonParse(bare, json) == weibo::JsonParse(unwrapped, weibo::JsonpBody(wrapped)));
  FUZZ_CHECK(weibo::JsonText(weibo::JsonMember(bare, "retcode")) ==
             weibo::JsonText(weibo::JsonMember(unwrapped, "retcode")));
  return 0;
}
