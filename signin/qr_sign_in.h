// The QR-code sign-in: shows a QR code from the service's sign-on host in the
// sign-in window, polls until the operator has scanned and confirmed it with
// the phone app, completes the sign-on so that the process-wide cookie jar
// holds the service's cookies, then hides the sign-in window and loads the
// main window.
//
// Threading: runs on the user-interface thread, as the sign-in window's
// first-activation handler, and blocks it during every request. Window
// events are handled only while it waits between polls (and inside the modal
// message box), so other handlers may run in the middle of the sign-in; one
// of them ends the program when the operator closes the sign-in window.
#pragma once

#include "flow/flow_hooks.h"

namespace weibo {

// How long the sign-in waits, handling window events, at its two pauses.
struct SignInPacing {
  // After each poll reply, before acting on it.
  int poll_wait_ms = 500;
  // After a QR reply that offered no usable code, before asking again.
  int retry_pause_ms = 3000;
};

// Runs the sign-in with the tool's pacing. Returns after the main window has
// been loaded, or without doing anything further when polling ends without
// success (a poll reply with an empty "msg") or the sign-in window is no
// longer shown after a wait. A code that expires is replaced by a new one, as
// often as needed. Uses context.state->cookie_jar and keeps the state alive
// until it returns.
void QrSignIn(const FlowContext& context);

// The same with other pauses (tests use short ones).
void QrSignInPaced(const FlowContext& context, const SignInPacing& pacing);

}  // namespace weibo
