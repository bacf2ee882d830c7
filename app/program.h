// The life of the process: start-up, the order of the two windows, the
// commands of the menus, tool bar and popup, the main phase, and the end.
//
// One Program exists per process. It owns the process-wide state and binds
// every window event to its handler (it is the windows' WindowEvents). The
// windows, the desktop services, the endpoints and the flows of the other
// subsystems are handed in by the executable's entry.
//
// Threading: every member runs on the user-interface thread. The state is
// shared with pool tasks as program_state.h describes.
#pragma once

#include <functional>
#include <memory>

#include "flow/flow_hooks.h"
#include "flow/program_state.h"
#include "flow/shell.h"
#include "flow/window_ops.h"
#include "support/session_store.h"
#include "web/endpoints.h"

namespace weibo {

// The number of workers that download album pages.
inline constexpr int kDownloadWorkers = 5;

// The size segments of the popup's download commands.
inline constexpr char kSegmentUltra[] = "/mw1024/";
inline constexpr char kSegmentHigh[] = "/mw690/";  // also the standard size
inline constexpr char kSegmentOriginal[] = "/large/";

struct ProgramParts {
  WindowOps* windows = nullptr;  // required; outlives the Program
  Shell* shell = nullptr;        // required; outlives the Program
  Endpoints endpoints;
  // Its sign_in_ended is replaced by the Program's own handler.
  FlowHooks flows;
  // Keeps the service's cookies between runs; null keeps nothing. Outlives
  // the Program.
  SessionStore* session_store = nullptr;
  // Starts the image layer once; true when it is ready. May be empty.
  std::function<bool()> start_imaging;
  // Runs the event loop on this thread and returns its exit code when the
  // window system asks the application to quit. May be empty (no loop).
  std::function<int()> run_message_loop;
  // Ends the process with the given exit code. Empty: flush the standard
  // streams and end at once, without running static destructors (worker
  // threads may still be inside a task).
  std::function<void(int)> end_process;
};

class Program : public WindowEvents {
 public:
  explicit Program(ProgramParts parts);
  // Runs the exit hook if it has not run yet.
  ~Program() override;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The process entry sequence: creates the state, registers the exit hook,
  // starts the image layer, loads the sign-in window (the main window when a
  // session is kept from an earlier run) and runs the event loop. Ends the
  // program through EndProgram when the loop returns.
  [[noreturn]] void StartProgram();

  // Creates the process-wide state in its initial, empty form.
  void CreateProgramState();
  // The exit hook: releases the process-wide state. Runs once; later calls
  // do nothing. Does not stop the pool.
  void ReleaseProgramState();
  // Starts the image layer and records whether it is ready.
  void StartImaging();
  // The sign-in window's closing handler: ends the program with code 0 while
  // the window is visible, and does nothing once the sign-in has hidden it.
  void SignInClosing();
  // Releases any worker waiting for the status bar, runs the exit hook and
  // ends the process with `exit_code`.
  [[noreturn]] void EndProgram(int exit_code);

  // Commands 开始分析 (0), 查看下载 (1) and 关于作者 (2), from the tool bar
  // and the menu 操作. Other indexes do nothing.
  void RunToolCommand(int index);
  // Command 问题反馈: asks, and opens the forum page on Yes.
  void ContactAuthor();
  // Right click on the album view: pops up the menu 右键 when an album is
  // selected, nothing otherwise.
  void ShowAlbumMenu();
  // Opens a web page in the default browser.
  void OpenInBrowser(const Text& address);

  // The main window's first activation: destroys the sign-in window, starts
  // the download pool, keeps the session of a QR sign-in for the next run
  // and shows the signed-in user's own albums. With a kept session instead,
  // that first lookup checks it: accepted, it is kept afresh; refused, it is
  // removed and the sign-in starts (ReturnToSignIn). Runs once per sign-in.
  void StartMainPhase();
  // The main window's closing handler: stops the pool and ends the program
  // with code 0.
  void MainClosing();

  // Puts a kept session, if one can be read, into the cookie jar and marks
  // the coming main phase as checking it. False when none was kept.
  bool TakeKeptSession();
  // Command 退出登录: asks Yes/No; on Yes removes the kept session and goes
  // back to the sign-in window (ReturnToSignIn).
  void SignOut();
  // The service has ended the sign-in in the middle of the run: removes the
  // kept session and goes back to the sign-in window without asking. Does
  // nothing outside the main phase.
  void SignInEnded();
  // Stops the downloads, drops any lookup on its way, empties the cookie jar
  // and the current user (id, nickname, albums, title), hides and destroys
  // the main window and loads the sign-in window, whose first activation
  // shows a fresh QR code. The next sign-in starts a new main phase.
  void ReturnToSignIn();

  // The process-wide state; null before CreateProgramState and after the
  // exit hook.
  std::shared_ptr<ProgramState> State() const { return state_; }
  // How many times the exit hook has released a state.
  int ExitHookRuns() const { return exit_hook_runs_; }

  // WindowEvents.
  void OnFirstActivation(WindowId window) override;
  void OnClosing(WindowId window) override;
  void OnToolButton(int index) override;
  void OnMenuItem(MenuItem item) override;
  void OnAlbumViewRightClick() override;

 private:
  FlowContext Context() const;
  void RegisterExitHook();
  void StartDownloadPool();
  void KeepSession();
  void ForgetSession();
  void KeptSessionChecked(bool accepted);

  ProgramParts parts_;
  std::shared_ptr<ProgramState> state_;
  int exit_hook_runs_ = 0;
  bool main_phase_started_ = false;
  // The current main phase began with a kept session not yet checked.
  bool checking_kept_session_ = false;
};

}  // namespace weibo
