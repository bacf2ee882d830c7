// Fetching and showing the QR code.
#include <utility>

#include "flow/window_ops.h"
#include "signin/jsonp.h"
#include "signin/sign_in_steps.h"
#include "signin/sign_in_texts.h"
#include "signin/sign_on_addresses.h"
#include "support/json_reply.h"
#include "support/reencode_image.h"
#include "support/timestamp.h"
#include "web/fetch_text.h"
#include "web/http_request.h"

namespace weibo {
namespace {

// The node's string, or nothing when it holds no string or an empty one.
std::optional<Text> NonEmptyString(const JsonNode& node) {
  JsonTypedValue value = JsonValue(node);
  if (value.kind != JsonTypedValue::Kind::kText || value.text.empty()) return std::nullopt;
  return std::move(value.text);
}

}  // namespace

std::optional<QrCode> FetchQrCode(SignInRun& run) {
  const Text reply = FetchText(QrCodeAddress(run.endpoints, MillisecondTimestamp()), 0, Text(),
                               &run.state.cookie_jar);
  JsonNode document;
  JsonParse(document, JsonpBody(reply));
  const JsonNode data = JsonMember(document, "data");
  std::optional<Text> image_address = NonEmptyString(JsonMember(data, "image"));
  std::optional<Text> qrid = NonEmptyString(JsonMember(data, "qrid"));
  if (!image_address || !qrid) return std::nullopt;
  return QrCode{std::move(*image_address), std::move(*qrid)};
}

void ShowQrPicture(SignInRun& run, const Text& image_address) {
  const ByteArray picture = HttpRequest(image_address);
  ByteArray bitmap;
  if (ReencodeImage(picture, kImageBmp, &bitmap)) {
    run.windows.SetPicture(bitmap);
  } else {
    run.windows.MessageBox(kImageConversionFailed, Text(), kMbIconError);
  }
}

}  // namespace weibo
