// The kept session in the user's keyring (Secret Service, through
// QtKeychain) when a keyring runs on the session bus, else in `fallback`
// (the private file).
//
// Each call asks the keyring first and waits for its answer in a local event
// loop. While a keyring answers, it alone holds the session: a file left from
// a run without one is removed. An entry that does not decode (another
// format, user or machine) is deleted and reads as nothing.
//
// Threading: user-interface thread, with a Qt application running.
#pragma once

#include "support/session_store.h"

namespace weibo {

class KeychainSessionStore : public SessionStore {
 public:
  // `fallback` (required) outlives the store.
  explicit KeychainSessionStore(SessionStore* fallback);

  std::optional<Text> Load() override;
  bool Save(const Text& cookie_jar) override;
  void Remove() override;

 private:
  SessionStore* fallback_;
};

}  // namespace weibo
