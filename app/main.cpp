// The executable's entry: wires the Qt windows, the desktop services, the
// service's addresses chosen at configure time and the flows into one
// Program, and starts it.
#include "albums/album_flows.h"
#include "app/program.h"
#include "app/qt/qt_runtime.h"
#include "app/qt/qt_shell.h"
#include "app/qt/qt_window_ops.h"
#include "app/qt/session_store_keychain.h"
#include "build_endpoints.h"
#include "signin/qr_sign_in.h"
#include "support/reencode_image.h"
#include "support/session_store_file_posix.h"

namespace {

weibo::Endpoints BuildEndpoints() {
  weibo::Endpoints endpoints;
  endpoints.signon_host = WEIBO_BUILD_SIGNON_HOST;
  endpoints.main_host = WEIBO_BUILD_MAIN_HOST;
  endpoints.main_domain = WEIBO_BUILD_MAIN_DOMAIN;
  endpoints.photo_host = WEIBO_BUILD_PHOTO_HOST;
  endpoints.static_host = WEIBO_BUILD_STATIC_HOST;
  endpoints.author_profile_url = WEIBO_BUILD_AUTHOR_PROFILE_URL;
  endpoints.author_forum_url = WEIBO_BUILD_AUTHOR_FORUM_URL;
  return endpoints;
}

}  // namespace

int main(int argc, char** argv) {
  weibo::QtRuntime runtime(argc, argv);
  weibo::QtWindowOps windows;
  weibo::QtShell shell;
  weibo::FileSessionStore session_file(weibo::DefaultStateFolder());
  weibo::KeychainSessionStore session_store(&session_file);

  weibo::ProgramParts parts;
  parts.windows = &windows;
  parts.shell = &shell;
  parts.endpoints = BuildEndpoints();
  parts.session_store = &session_store;
  parts.start_imaging = [] { return weibo::StartImageCodecs(); };
  parts.run_message_loop = [&runtime] { return runtime.RunMessageLoop(); };
  parts.flows.qr_sign_in = weibo::QrSignIn;
  weibo::InstallAlbumFlows(&parts.flows);

  weibo::Program program(std::move(parts));
  windows.SetEventSink(&program);
  program.StartProgram();
}
