// The executable's entry: wires the Qt windows, the desktop services, the
// parts every build shares (standard_parts.h) into one Program, and starts
// it.
#include "app/program.h"
#include "app/qt/qt_runtime.h"
#include "app/qt/qt_shell.h"
#include "app/qt/qt_window_ops.h"
#include "app/qt/session_store_keychain.h"
#include "app/standard_parts.h"
#include "support/session_store_file_posix.h"

int main(int argc, char** argv) {
  weibo::QtRuntime runtime(argc, argv);
  weibo::QtWindowOps windows;
  weibo::QtShell shell;
  weibo::FileSessionStore session_file(weibo::DefaultStateFolder());
  weibo::KeychainSessionStore session_store(&session_file);

  weibo::ProgramParts parts = weibo::StandardParts();
  parts.windows = &windows;
  parts.shell = &shell;
  parts.session_store = &session_store;
  parts.run_message_loop = [&runtime] { return runtime.RunMessageLoop(); };

  weibo::Program program(std::move(parts));
  windows.SetEventSink(&program);
  program.StartProgram();
}
