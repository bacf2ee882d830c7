// The kept session on Windows: the record encrypted with the user's
// data-protection key (CryptProtectData, user scope, with the program's own
// entropy bytes) in `folder`\session.bin. Only the same user on the same
// machine, passing the same entropy, can decrypt it; the record inside also
// names the user and the machine. A blob that does not decrypt or whose
// record does not fit is removed. Saves go to a temporary file in the same
// folder that replaces the old one by a rename.
#pragma once

#include <string>

#include "support/session_store.h"

namespace weibo {

// The entropy the program passes to the data-protection calls.
ByteArray ProgramSessionEntropy();

class DpapiSessionStore : public SessionStore {
 public:
  // `folder` is created (one level below an existing one) by the first Save.
  DpapiSessionStore(std::wstring folder, ByteArray entropy);

  std::optional<Text> Load() override;
  bool Save(const Text& cookie_jar) override;
  void Remove() override;

  // The file's path.
  std::wstring Path() const;

 private:
  std::wstring folder_;
  ByteArray entropy_;
};

// The user's local application-data folder followed by
// "\weibo-album-downloader"; empty when Windows does not name one.
std::wstring DefaultSessionFolder();

}  // namespace weibo
