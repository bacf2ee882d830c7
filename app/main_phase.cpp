// The start and the end of the main phase.
#include <memory>

#include "app/program.h"

namespace weibo {

void Program::StartMainPhase() {
  if (main_phase_started_ || state_ == nullptr) return;
  main_phase_started_ = true;

  parts_.windows->DestroyWindow(WindowId::kSignIn);
  StartDownloadPool();
  // The progress lock is a std::mutex, ready since CreateProgramState.
  state_->profile_address = "http://" + parts_.endpoints.main_host + "/";
  if (checking_kept_session_ && parts_.flows.check_kept_session) {
    parts_.flows.check_kept_session(Context(),
                                    [this](bool accepted) { KeptSessionChecked(accepted); });
    return;
  }
  // Without a check, a kept session counts as accepted.
  checking_kept_session_ = false;
  KeepSession();
  if (parts_.flows.resolve_profile) parts_.flows.resolve_profile(Context());
}

void Program::StartDownloadPool() {
  if (!parts_.flows.download_page || state_->pool.IsRunning() != 0) return;
  // Each task holds the state for as long as it runs; the pool, which lives
  // in the state, keeps only a weak reference so that it does not keep the
  // state alive after the exit hook.
  std::weak_ptr<ProgramState> weak_state = state_;
  auto routine = [weak_state, hook = parts_.flows.download_page, windows = parts_.windows,
                  shell = parts_.shell, endpoints = &parts_.endpoints,
                  flows = &parts_.flows](TaskValue task) {
    std::shared_ptr<ProgramState> state = weak_state.lock();
    if (state == nullptr) return;
    hook(FlowContext{state, windows, shell, endpoints, flows}, task);
  };
  state_->pool.Create(kDownloadWorkers, routine, 0, 0);
}

void Program::MainClosing() {
  // Workers may be waiting for the status bar; free them before the pool
  // stops, so that nothing waits for the closing window.
  parts_.windows->StopStatusUpdates();
  if (state_ != nullptr) state_->pool.Destroy();
  EndProgram(0);
}

}  // namespace weibo
