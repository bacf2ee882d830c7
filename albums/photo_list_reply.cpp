#include "albums/photo_list_reply.h"

namespace weibo {
namespace {

// The service's code for a request without a valid sign-in, and its message
// (请先登录, "please sign in first").
constexpr char kSignedOutCode[] = "A0001";
constexpr char kSignedOutMessage[] = "\xC7\xEB\xCF\xC8\xB5\xC7\xC2\xBC";

bool IsTrue(const JsonNode& node) {
  const JsonTypedValue value = JsonValue(node);
  return !node.IsEmpty() && value.kind == JsonTypedValue::Kind::kBoolean && value.boolean;
}

}  // namespace

PhotoListVerdict JudgePhotoListReply(const JsonNode& document, JsonNode* photo_list) {
  const JsonNode result = JsonMember(document, "result");
  if (!IsTrue(result)) {
    const Text code = JsonText(JsonMember(document, "code"));
    const Text message = JsonText(JsonMember(document, "msg"));
    if (code == kSignedOutCode || message.find(kSignedOutMessage) != Text::npos) {
      return PhotoListVerdict::kSignedOut;
    }
    return PhotoListVerdict::kNotAList;
  }
  JsonNode list = JsonMember(JsonMember(document, "data"), "photo_list");
  if (!JsonIsArray(list)) return PhotoListVerdict::kNotAList;
  *photo_list = list;
  return PhotoListVerdict::kList;
}

}  // namespace weibo
