// Shell on Windows: web pages in the default browser (ShellExecuteW), a
// folder shown in Explorer with an item selected (SHOpenFolderAndSelectItems)
// and the folder downloads are kept under. Paths are code page 936 texts,
// converted to UTF-16 for the wide functions.
// Call on the user-interface thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "flow/shell.h"

namespace weibo {

class Win32Shell : public Shell {
 public:
  bool OpenAddress(const Text& address) override;
  bool ShowItemSelected(const Text& path) override;
  // Chosen once and kept: the executable's folder, else the user's pictures
  // folder; each must be a writable folder that code page 936 can spell.
  Text RunDirectory() override;
  Text PathSeparator() const override { return "\\"; }

  // True for an http or https address with a host (letters of the scheme in
  // any case).
  static bool IsWebAddress(const Text& address);
  // The first of `candidates` that exists as a writable folder (or is
  // created as one) and that code page 936 spells exactly; empty when none.
  static Text FirstUsableFolder(const std::vector<std::wstring>& candidates);

 private:
  std::optional<Text> run_directory_;
};

}  // namespace weibo
