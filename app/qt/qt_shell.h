// Shell on a Linux desktop: web pages through Qt's desktop services, a folder
// shown selected through the freedesktop file-manager interface on D-Bus
// (else its containing folder opened), and the download base folder.
// Call on the user-interface thread after the application object exists.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "flow/shell.h"

namespace weibo {

class QtShell : public Shell {
 public:
  bool OpenAddress(const Text& address) override;
  bool ShowItemSelected(const Text& path) override;
  // Chosen once and kept: the executable's folder, else the user's pictures
  // folder, else the home folder; each must be a writable folder whose path
  // code page 936 can spell.
  Text RunDirectory() override;
  Text PathSeparator() const override { return "/"; }

  // The first of `candidates` that is a writable folder, or is created as
  // one, and whose path survives the trip through code page 936, as a code
  // page 936 text; empty when none qualifies.
  static Text FirstUsableFolder(const QStringList& candidates);

 private:
  std::optional<Text> run_directory_;
};

}  // namespace weibo
