// The Windows executable's entry: wires the Win32 windows, the shell, the
// parts every build shares (standard_parts.h) into one Program, and starts
// it.
#include "app/win32/windows_api.h"

#include "app/program.h"
#include "app/standard_parts.h"
#include "app/win32/win32_runtime.h"
#include "app/win32/win32_shell.h"
#include "app/win32/win32_window_ops.h"
#include "support/session_store_dpapi.h"

int main() {
  weibo::StartWin32Ui();
  weibo::Win32WindowOps windows;
  weibo::Win32Shell shell;
  weibo::DpapiSessionStore session_store(weibo::DefaultSessionFolder(),
                                         weibo::ProgramSessionEntropy());

  weibo::ProgramParts parts = weibo::StandardParts();
  parts.windows = &windows;
  parts.shell = &shell;
  parts.session_store = &session_store;
  parts.run_message_loop = [&windows] { return windows.RunMessageLoop(); };

  weibo::Program program(std::move(parts));
  windows.SetEventSink(&program);
  program.StartProgram();
}
