// Shell on a Linux desktop: web pages through Qt's desktop services, a folder
// shown selected through the freedesktop file-manager interface on D-Bus
// (else its containing folder opened), and the download base folder.
// Call on the user-interface thread after the application object exists.
#pragma once

#include <QString>

#include "flow/shell.h"

namespace weibo {

class QtShell : public Shell {
 public:
  bool OpenAddress(const Text& address) override;
  bool ShowItemSelected(const Text& path) override;
  // The executable's folder, the user's pictures folder or the home folder,
  // made absolute (Linux keeps no short names: a path code page 936 cannot
  // spell has no `path`).
  FolderSpelling LocateFolder(KnownFolder folder) override;
  Text PathSeparator() const override { return "/"; }

  // `folder` made absolute and spelled in code page 936 (see FolderSpelling).
  static FolderSpelling SpellFolder(const QString& folder);
};

}  // namespace weibo
