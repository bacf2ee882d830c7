// The flows of the sign-in, album and download subsystems, as the
// application calls them. The executable fills FlowHooks with the real flows;
// a hook left empty makes its trigger do nothing, so the windows and commands
// run (and are tested) without the flows behind them.
#pragma once

#include <functional>
#include <memory>

#include "flow/program_state.h"
#include "flow/shell.h"
#include "flow/window_ops.h"
#include "pool/worker_pool.h"
#include "support/text_rules.h"
#include "web/endpoints.h"

namespace weibo {

struct FlowHooks;

// What a flow works with. `state` is never null while a hook runs; the other
// members point at objects that live as long as the program. `hooks` lets a
// flow start another (a download reaching the sign-in flows); it may be null
// (tests), and then nothing is started.
struct FlowContext {
  std::shared_ptr<ProgramState> state;
  WindowOps* windows = nullptr;
  Shell* shell = nullptr;
  const Endpoints* endpoints = nullptr;
  const FlowHooks* hooks = nullptr;
};

struct FlowHooks {
  // The QR-code sign-in, run by the sign-in window's first activation. Hides
  // the sign-in window and loads the main window when it succeeds.
  std::function<void(const FlowContext&)> qr_sign_in;
  // Starts resolving state->profile_address and returns without waiting; the
  // user's albums (or the message that no user was found) follow from the
  // event loop.
  std::function<void(const FlowContext&)> resolve_profile;
  // The first lookup of a main phase that began with a session kept from an
  // earlier run: resolve_profile without the message for a page that lacks
  // the user's values. `accepted` runs on the user-interface thread when the
  // lookup ends: true once the user's albums are shown, false when the reply
  // did not name the user. It does not run for a lookup a newer one overtook.
  std::function<void(const FlowContext&, std::function<void(bool accepted)> accepted)>
      check_kept_session;
  // Command 开始分析: asks for a profile address and resolves it.
  std::function<void(const FlowContext&)> ask_for_profile;
  // Command 查看下载: shows the current user's download folder.
  std::function<void(const FlowContext&)> show_downloads;
  // The popup's download commands, with the size segment of the chosen item.
  std::function<void(const FlowContext&, const Text& size_segment)> download_album;
  // Command 下载全部相册: every album of the current user, in that size.
  std::function<void(const FlowContext&, const Text& size_segment)> download_account;
  // The pool's task routine: handles one posted page task on a worker
  // thread. The pool is created only when this is set.
  std::function<void(const FlowContext&, TaskValue task)> download_page;
  // Ends every download of the run: no new request starts, running transfers
  // end and their temporary files go, what was saved stays recorded. Does
  // nothing when nothing downloads. User-interface thread.
  std::function<void(const FlowContext&)> stop_downloads;
  // Runs on the user-interface thread once a reply has shown that the service
  // no longer accepts the sign-in; the downloads have stopped asking by then.
  // The Program sets it to its own handler (Program::SignInEnded).
  std::function<void(const FlowContext&)> sign_in_ended;
};

}  // namespace weibo
