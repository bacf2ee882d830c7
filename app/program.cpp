// Start-up and shutdown.
#include "app/program.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace weibo {
namespace {

// The program whose state the process's exit hook releases.
Program* exit_hook_owner = nullptr;
bool exit_hook_registered = false;

void RunExitHook() {
  if (exit_hook_owner != nullptr) exit_hook_owner->ReleaseProgramState();
}

}  // namespace

Program::Program(ProgramParts parts) : parts_(std::move(parts)) {
  parts_.flows.sign_in_ended = [this](const FlowContext&) { SignInEnded(); };
}

Program::~Program() {
  if (exit_hook_owner == this) exit_hook_owner = nullptr;
  ReleaseProgramState();
}

void Program::StartProgram() {
  CreateProgramState();
  RegisterExitHook();
  StartImaging();
  parts_.windows->LoadWindow(TakeKeptSession() ? WindowId::kMain : WindowId::kSignIn);
  const int exit_code = parts_.run_message_loop ? parts_.run_message_loop() : 0;
  EndProgram(exit_code);
}

void Program::CreateProgramState() { state_ = std::make_shared<ProgramState>(); }

void Program::ReleaseProgramState() {
  if (state_ == nullptr) return;
  state_.reset();
  ++exit_hook_runs_;
}

void Program::RegisterExitHook() {
  // Any ordinary exit of the process releases the state too; EndProgram
  // releases it itself and then ends the process without exit handlers.
  exit_hook_owner = this;
  if (!exit_hook_registered) {
    std::atexit(RunExitHook);
    exit_hook_registered = true;
  }
}

void Program::StartImaging() {
  if (state_ == nullptr) return;
  state_->imaging_started = parts_.start_imaging ? parts_.start_imaging() : false;
}

void Program::SignInClosing() {
  if (parts_.windows->IsVisible(WindowId::kSignIn)) EndProgram(0);
}

void Program::EndProgram(int exit_code) {
  parts_.windows->StopStatusUpdates();
  ReleaseProgramState();
  if (parts_.end_process) parts_.end_process(exit_code);
  std::fflush(nullptr);
  std::_Exit(exit_code);
}

FlowContext Program::Context() const {
  return FlowContext{state_, parts_.windows, parts_.shell, &parts_.endpoints, &parts_.flows};
}

}  // namespace weibo
