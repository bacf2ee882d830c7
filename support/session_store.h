// Where the service's cookies of a finished sign-in are kept between runs of
// the program, for the operating-system user who signed in and nobody else.
//
// Implementations: FileSessionStore (a private file, POSIX), DpapiSessionStore
// (a file encrypted with the user's data-protection key, Windows),
// KeychainSessionStore (the user's keyring, app/qt) and MemorySessionStore
// (tests). The program's logic sees only this interface.
//
// Threading: called on the user-interface thread only; a store is not shared
// between threads. Two copies of the program may use the same store at once:
// a save replaces the kept session as a whole, so a load never sees half of
// one.
#pragma once

#include <optional>

#include "support/text_rules.h"

namespace weibo {

class SessionStore {
 public:
  virtual ~SessionStore() = default;

  // The kept cookie jar; nothing when none is kept. A kept session that
  // cannot be used (damaged, written by an older format, for another user or
  // machine, or readable by other users) is removed and reads as nothing.
  virtual std::optional<Text> Load() = 0;
  // Keeps `cookie_jar` in place of any kept session. False when it could not
  // be kept (nothing half-written stays behind).
  virtual bool Save(const Text& cookie_jar) = 0;
  // Removes the kept session; nothing happens when none is kept.
  virtual void Remove() = 0;
};

// A store in memory, for tests and for a program that keeps nothing.
class MemorySessionStore : public SessionStore {
 public:
  std::optional<Text> Load() override { return kept_; }
  bool Save(const Text& cookie_jar) override {
    kept_ = cookie_jar;
    return true;
  }
  void Remove() override { kept_.reset(); }

 private:
  std::optional<Text> kept_;
};

}  // namespace weibo
