// The desktop services the tool uses: opening web pages, showing a folder in
// the file manager, and the folder downloads are kept under. Paths and
// addresses are code page 936 texts. app/qt/qt_shell.h implements it.
//
// Threading: called on the user-interface thread.
#pragma once

#include "support/text_rules.h"

namespace weibo {

class Shell {
 public:
  virtual ~Shell() = default;

  // Opens an http or https `address` in the default browser. Returns false,
  // opening nothing, for any other kind of address or when no browser could
  // be started.
  virtual bool OpenAddress(const Text& address) = 0;

  // Shows the folder that contains `path` in the file manager with `path`
  // selected. Returns false, showing nothing, when `path` does not exist.
  virtual bool ShowItemSelected(const Text& path) = 0;

  // The folder downloads are kept under, without a trailing separator: the
  // folder that holds the executable, or, where that folder cannot be written
  // (an installed copy), the user's pictures folder.
  virtual Text RunDirectory() = 0;

  // The separator between the parts of a path on this system.
  virtual Text PathSeparator() const = 0;
};

}  // namespace weibo
