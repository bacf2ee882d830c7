// The desktop services the tool uses: opening web pages, showing a folder in
// the file manager, and the folders downloads may be kept under. Paths and
// addresses are code page 936 texts. app/qt/qt_shell.h and
// app/win32/win32_shell.h implement it.
//
// Threading: called on the user-interface thread.
#pragma once

#include "support/text_rules.h"

namespace weibo {

// The folders downloads may be kept under (which one is used, and in what
// order they are tried, is decided in albums/download_root_choice.h).
enum class KnownFolder { kProgram, kPictures, kHome };

// How one of the known folders is spelled for the tool's paths and for the
// operator.
struct FolderSpelling {
  // The absolute path in code page 936, without a trailing separator; where
  // code page 936 cannot spell the folder's long name, its short (8.3) name
  // when that can be spelled; empty when neither can or the folder is unknown.
  Text path;
  // The folder as the operator knows it, letters code page 936 lacks shown
  // as "?"; empty when the folder is unknown.
  Text shown;
};

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

  // Where `folder` is on this system. Creates nothing.
  virtual FolderSpelling LocateFolder(KnownFolder folder) = 0;

  // The separator between the parts of a path on this system.
  virtual Text PathSeparator() const = 0;
};

}  // namespace weibo
