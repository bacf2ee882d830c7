// Shell on Windows: web pages in the default browser (ShellExecuteW), a
// folder shown in Explorer with an item selected (SHOpenFolderAndSelectItems)
// and the folder downloads are kept under. Paths are code page 936 texts,
// converted to UTF-16 for the wide functions.
// Call on the user-interface thread.
#pragma once

#include <string>

#include "flow/shell.h"

namespace weibo {

class Win32Shell : public Shell {
 public:
  bool OpenAddress(const Text& address) override;
  bool ShowItemSelected(const Text& path) override;
  // The executable's folder, the user's pictures folder (created when
  // missing) or the user's profile folder.
  FolderSpelling LocateFolder(KnownFolder folder) override;
  Text PathSeparator() const override { return "\\"; }

  // True for an http or https address with a host (letters of the scheme in
  // any case).
  static bool IsWebAddress(const Text& address);
  // `folder` spelled in code page 936: its own name when the code page spells
  // it exactly, else its short (8.3) name when it exists and has one that
  // the code page spells (see FolderSpelling).
  static FolderSpelling SpellFolder(std::wstring folder);
};

}  // namespace weibo
