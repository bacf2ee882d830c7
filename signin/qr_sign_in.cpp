// The sign-in's course: QR code, polling, and either a new code or the
// completion.
#include "signin/qr_sign_in.h"

#include <memory>

#include "signin/message_wait.h"
#include "signin/sign_in_steps.h"

namespace weibo {

void QrSignIn(const FlowContext& context) { QrSignInPaced(context, SignInPacing()); }

void QrSignInPaced(const FlowContext& context, const SignInPacing& pacing) {
  if (context.state == nullptr || context.windows == nullptr || context.endpoints == nullptr) {
    return;
  }
  // Handlers run during the waits; one of them may end the program and
  // release its state. This reference keeps the jar valid until the end.
  const std::shared_ptr<ProgramState> state = context.state;
  const Endpoints endpoints = *context.endpoints;
  SignInRun run{*state, *context.windows, endpoints, pacing};

  // An expired code starts over with a new one; a loop rather than a nested
  // run, so that any number of expiries costs no stack.
  for (;;) {
    const std::optional<QrCode> code = FetchQrCode(run);
    if (!code) {
      // No code offered (the host cannot be reached, or a reply of another
      // kind): ask again after a pause, rather than polling a code that does
      // not exist.
      WaitProcessingMessages(run.windows, pacing.retry_pause_ms);
      if (!run.WindowShown()) return;
      continue;
    }
    ShowQrPicture(run, code->image_address);
    if (!run.WindowShown()) return;

    Text alt;
    switch (PollUntilDecided(run, code->qrid, &alt)) {
      case PollOutcome::kRestart:
        continue;
      case PollOutcome::kConfirmed:
        CompleteSignOn(run, alt);
        return;
      case PollOutcome::kEnded:
        return;
    }
  }
}

}  // namespace weibo
