// The Windows executable's entry: wires the Win32 windows, the shell, the
// service's addresses chosen at configure time and the flows into one
// Program, and starts it.
#include "app/win32/windows_api.h"

#include "albums/album_flows.h"
#include "app/program.h"
#include "app/win32/win32_runtime.h"
#include "app/win32/win32_shell.h"
#include "app/win32/win32_window_ops.h"
#include "build_endpoints.h"
#include "signin/qr_sign_in.h"
#include "support/reencode_image.h"
#include "support/session_store_dpapi.h"

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

int main() {
  weibo::StartWin32Ui();
  weibo::Win32WindowOps windows;
  weibo::Win32Shell shell;
  weibo::DpapiSessionStore session_store(weibo::DefaultSessionFolder(),
                                         weibo::ProgramSessionEntropy());

  weibo::ProgramParts parts;
  parts.windows = &windows;
  parts.shell = &shell;
  parts.endpoints = BuildEndpoints();
  parts.session_store = &session_store;
  parts.start_imaging = [] { return weibo::StartImageCodecs(); };
  parts.run_message_loop = [&windows] { return windows.RunMessageLoop(); };
  parts.flows.qr_sign_in = weibo::QrSignIn;
  weibo::InstallAlbumFlows(&parts.flows);

  weibo::Program program(std::move(parts));
  windows.SetEventSink(&program);
  program.StartProgram();
}
