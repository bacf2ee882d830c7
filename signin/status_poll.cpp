// Polling the status of a QR code.
#include "signin/callback_stamp.h"
#include "signin/jsonp.h"
#include "signin/message_wait.h"
#include "signin/sign_in_steps.h"
#include "signin/sign_in_texts.h"
#include "signin/sign_on_addresses.h"
#include "support/json_reply.h"
#include "web/fetch_text.h"

namespace weibo {
namespace {

Text MessageOf(const JsonNode& status) { return JsonText(JsonMember(status, "msg")); }

}  // namespace

PollOutcome PollUntilDecided(SignInRun& run, const Text& qrid, Text* alt) {
  // No reply yet: its "msg" reads "0", so the first poll always goes out. A
  // reply without "msg" keeps polling; one whose "msg" is empty ends it.
  JsonNode status;
  while (!MessageOf(status).empty()) {
    const Text reply = FetchText(PollAddress(run.endpoints, qrid, CallbackStamp()), 0, Text(),
                                 &run.state.cookie_jar);
    JsonParse(status, JsonpBody(reply));
    run.windows.ProcessPendingMessages();
    WaitProcessingMessages(run.windows, run.pacing.poll_wait_ms);
    if (!run.WindowShown()) return PollOutcome::kEnded;

    const Text code = JsonText(JsonMember(status, "retcode"));
    if (code == kStatusNotScanned) {
      // Any other "msg" with this code means the code has expired.
      if (MessageOf(status) != kQrUnused) return PollOutcome::kRestart;
    } else if (code == kStatusScanned) {
      run.windows.SetLabelText(MessageOf(status));
    } else if (code == kStatusConfirmed) {
      *alt = JsonText(JsonMember(JsonMember(status, "data"), "alt"));
      return PollOutcome::kConfirmed;
    }
    // Anything else, an unreadable reply included: poll again.
  }
  return PollOutcome::kEnded;
}

}  // namespace weibo
