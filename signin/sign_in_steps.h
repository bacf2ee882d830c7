// The steps of the QR-code sign-in (qr_sign_in.h), one file each. Every step
// runs on the user-interface thread.
#pragma once

#include <optional>

#include "flow/program_state.h"
#include "flow/window_ops.h"
#include "signin/qr_sign_in.h"
#include "support/text_rules.h"
#include "web/endpoints.h"

namespace weibo {

// What one sign-in works with. The referenced objects outlive the run.
struct SignInRun {
  ProgramState& state;
  WindowOps& windows;
  const Endpoints& endpoints;
  SignInPacing pacing;

  // False once the sign-in window has been closed or hidden.
  bool WindowShown() const { return windows.IsVisible(WindowId::kSignIn); }
};

// A QR code as the sign-on host offers it.
struct QrCode {
  Text image_address;  // the picture, used as given
  Text qrid;           // names the code in the status polls
};

// Requests a new QR code, sending and updating the jar. Empty when the reply
// does not hold "data"."image" and "data"."qrid" as non-empty strings.
std::optional<QrCode> FetchQrCode(SignInRun& run);

// Downloads the picture at `image_address` and shows it in the picture box
// as BMP; shows the conversion-failure message box when that cannot be done.
void ShowQrPicture(SignInRun& run, const Text& image_address);

enum class PollOutcome {
  kConfirmed,  // the operator confirmed on the phone
  kRestart,    // the code is no longer valid: a new one is needed
  kEnded,      // a reply with an empty "msg", or the window is gone
};

// Polls the status of `qrid` until the outcome is decided, with the jar. A
// scanned code shows the reply's "msg" in the label. On kConfirmed stores
// the confirmed reply's "data"."alt" in `*alt`.
PollOutcome PollUntilDecided(SignInRun& run, const Text& qrid, Text* alt);

// Shows the success text (and handles the waiting events once so that it is
// drawn), logs in with `alt` (without the jar), visits each cross-domain
// address with the jar, hides the sign-in window and loads the main window.
void CompleteSignOn(SignInRun& run, const Text& alt);

}  // namespace weibo
