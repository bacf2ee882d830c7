// The session kept between runs, signing out, and the way back to the
// sign-in window.
#include <mutex>
#include <optional>
#include <utility>

#include "app/program.h"
#include "app/window_texts.h"

namespace weibo {

bool Program::TakeKeptSession() {
  if (state_ == nullptr || parts_.session_store == nullptr) return false;
  std::optional<Text> jar = parts_.session_store->Load();
  if (!jar.has_value()) return false;
  {
    std::lock_guard<std::mutex> lock(state_->cookie_lock);
    state_->cookie_jar = std::move(*jar);
  }
  checking_kept_session_ = true;
  return true;
}

void Program::KeepSession() {
  if (state_ == nullptr || parts_.session_store == nullptr) return;
  Text jar;
  {
    std::lock_guard<std::mutex> lock(state_->cookie_lock);
    jar = state_->cookie_jar;
  }
  // A jar the service set nothing in is no session.
  if (jar.empty()) return;
  // A session that cannot be kept only means signing in again next time.
  parts_.session_store->Save(jar);
}

void Program::ForgetSession() {
  if (parts_.session_store != nullptr) parts_.session_store->Remove();
}

void Program::KeptSessionChecked(bool accepted) {
  if (!checking_kept_session_) return;
  checking_kept_session_ = false;
  if (accepted) {
    // The lookup's replies may have renewed cookies: keep the jar as it is now.
    KeepSession();
    return;
  }
  ForgetSession();
  ReturnToSignIn();
}

void Program::SignOut() {
  if (state_ == nullptr || !main_phase_started_) return;
  const int answer =
      parts_.windows->MessageBox(kSignOutQuestion, Text(), kMbYesNo | kMbIconQuestion);
  if (answer != kIdYes) return;
  ForgetSession();
  ReturnToSignIn();
}

void Program::SignInEnded() {
  if (state_ == nullptr || !main_phase_started_) return;
  ForgetSession();
  ReturnToSignIn();
}

void Program::ReturnToSignIn() {
  if (state_ == nullptr) return;
  if (parts_.flows.stop_downloads) parts_.flows.stop_downloads(Context());
  // A lookup on its way is overtaken: its requests stop and its result is
  // dropped.
  state_->lookup_serial.fetch_add(1);
  {
    std::lock_guard<std::mutex> lock(state_->cookie_lock);
    state_->cookie_jar.clear();
  }
  state_->profile_address.clear();
  state_->user_id.clear();
  state_->nickname.clear();
  state_->download_root.clear();
  state_->album_table.clear();
  state_->album_images = ImageList();
  checking_kept_session_ = false;
  main_phase_started_ = false;

  parts_.windows->SetVisible(WindowId::kMain, false);
  parts_.windows->ClearItems();
  parts_.windows->SetTitle(WindowId::kMain, Text());
  // The next sign-in loads a new main window, whose first activation starts
  // the next main phase.
  parts_.windows->DestroyWindow(WindowId::kMain);
  parts_.windows->LoadWindow(WindowId::kSignIn);
}

}  // namespace weibo
