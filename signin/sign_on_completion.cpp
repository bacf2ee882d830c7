// Completing the sign-on: login, cross-domain visits, and the switch to the
// main window.
#include "signin/callback_stamp.h"
#include "signin/jsonp.h"
#include "signin/sign_in_steps.h"
#include "signin/sign_in_texts.h"
#include "signin/sign_on_addresses.h"
#include "support/json_reply.h"
#include "web/fetch_text.h"

namespace weibo {

void CompleteSignOn(SignInRun& run, const Text& alt) {
  run.windows.SetLabelText(kSignInSucceeded);
  // The login and the visits block the window; handle the waiting events
  // first so that the new text is drawn rather than the window looking frozen.
  run.windows.ProcessPendingMessages();

  // The login goes without the jar: it sends no Cookie header and its own
  // cookies are not kept.
  const Text reply = FetchText(LoginAddress(run.endpoints, alt, CallbackStamp()));
  JsonNode login;
  JsonParse(login, JsonpBody(reply));

  // Each visit puts the cookies of one of the service's domains into the jar,
  // in list order. Entries that are no address are skipped.
  const int count = JsonLength(JsonMember(login, "crossDomainUrlList"));
  for (int index = 0; index < count; ++index) {
    const JsonTypedValue address =
        JsonValue(JsonElement(JsonMember(login, "crossDomainUrlList"), index));
    if (address.kind != JsonTypedValue::Kind::kText || address.text.empty()) continue;
    FetchText(address.text, 0, Text(), &run.state.cookie_jar);
  }

  run.windows.SetVisible(WindowId::kSignIn, false);
  run.windows.LoadWindow(WindowId::kMain);
}

}  // namespace weibo
