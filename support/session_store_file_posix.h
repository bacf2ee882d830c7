// The kept session in a private file (POSIX): `folder`/session, the folder
// created with mode 0700 and the file with mode 0600, both owned by the
// user. The record names the user id and the machine id, so a file copied
// from another user or machine is not used.
//
// Every load checks the file first: a file that is not a plain file owned by
// this user, or that the group or others may read or write, or in a folder
// others may enter, is removed and not read. Saves go to a temporary file in
// the same folder that is renamed over the old one.
#pragma once

#include "support/session_store.h"

namespace weibo {

class FileSessionStore : public SessionStore {
 public:
  // `folder` is created (with its parents) by the first Save.
  explicit FileSessionStore(Text folder);

  std::optional<Text> Load() override;
  bool Save(const Text& cookie_jar) override;
  void Remove() override;

  // The file's path.
  Text Path() const;

 private:
  Text folder_;
};

// The folder for the program's kept state: $XDG_STATE_HOME, or ~/.local/state
// when that is unset or not absolute, followed by "/weibo-album-downloader".
// Empty when neither can be found.
Text DefaultStateFolder();

}  // namespace weibo
