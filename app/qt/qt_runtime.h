// The Qt application object and its event loop, for the executable's entry.
#pragma once

#include <QApplication>
#include <memory>

namespace weibo {

class QtRuntime {
 public:
  // Creates the application object on this thread, which becomes the
  // user-interface thread. `argc` and `argv` must outlive the object.
  QtRuntime(int& argc, char** argv);
  ~QtRuntime();

  // Runs the event loop until the window system asks the application to
  // quit; returns the loop's exit code.
  int RunMessageLoop();

 private:
  std::unique_ptr<QApplication> application_;
};

}  // namespace weibo
