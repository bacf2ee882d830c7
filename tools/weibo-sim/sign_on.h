// The sign-on state of the simulated service: QR codes and their life
// (waiting, scanned, confirmed, expired), the one-time "alt" that a confirmed
// code yields, the tickets of the cross-domain visits and the sessions whose
// cookies those visits hand out. All methods are thread-safe.
//
// A sign-in grants two things, checked separately: the main host accepts a
// request that carries "SUB" and "SUBP" of a session whose main-host visit
// was completed; the photo host one that carries "SUB" and "PHOTO_SID" of a
// session whose photo-host visit was completed.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "support/text_rules.h"

namespace weibo::sim {

using CookieList = std::vector<std::pair<Text, Text>>;  // name, value in request order

inline constexpr char kQrCookie[] = "SSO_QRSID";        // set by the QR reply
inline constexpr char kTicketCookie[] = "SSO_TGC";      // set by the login reply
inline constexpr char kSessionCookie[] = "SUB";         // main and photo hosts
inline constexpr char kProfileCookie[] = "SUBP";        // main host
inline constexpr char kPhotoCookie[] = "PHOTO_SID";     // photo host
inline constexpr char kRedirectCookie[] = "SRT";        // set by the redirect reply only

enum class QrState { kUnknown, kWaiting, kScanned, kConfirmed, kExpired };
const char* QrStateName(QrState state);

enum class Role { kMain, kPhoto };

// The kinds of cross-domain visit. The main-host visit is two requests: a
// redirect, then the page it leads to.
enum class VisitKind { kSignOn, kMain, kMainFinish, kPhoto };

// A cookie to hand out; the reply adds path, domain and the expiry.
struct IssuedCookie {
  Text name;
  Text value;
  int lifetime_days = -1;   // -1: until the browser closes; 0: delete it now
  bool http_only = false;
  bool use_max_age = false; // Max-Age instead of expires
};

struct PollReply {
  Text retcode;
  Text msg;
  Text alt;  // only for a confirmed code
};

struct LoginGrant {
  Text uid;
  std::vector<std::pair<VisitKind, Text>> tickets;  // in visit order
  std::vector<IssuedCookie> cookies;                 // for the login reply itself
};

struct VisitGrant {
  VisitKind kind;
  Text uid;
  std::vector<IssuedCookie> cookies;
  Text next_ticket;  // the main-host redirect: the ticket of the page it leads to
};

struct SignOnSettings {
  std::uint64_t seed = 1;
  int qr_lifetime_ms = 180000;
  int auto_confirm_ms = -1;
  Text expired_retcode = "50114001";
  Text default_uid;
};

class SignOn {
 public:
  explicit SignOn(SignOnSettings settings);

  // A fresh QR code id, waiting to be scanned.
  Text NewQrid();
  // What a status poll for `qrid` answers now.
  PollReply Poll(const Text& qrid);
  // The phone's actions. False when the code is not in a state that allows
  // the action (Confirm needs a scanned code, Expire one not yet confirmed)
  // or, for Confirm, when `uid` is not empty and not in `known_uids`.
  bool Scan(const Text& qrid);
  bool Confirm(const Text& qrid, const Text& uid);
  bool Expire(const Text& qrid);
  QrState State(const Text& qrid);
  std::vector<Text> Qrids() const;  // oldest first

  // Redeems a confirmed code's alt (once). Without `with_main` the main-host
  // visit is left out, as for a login asking for another domain.
  std::optional<LoginGrant> Login(const Text& alt, int savestate_days, bool with_main);
  // Redeems a visit ticket (once) if it is one of `kinds`.
  std::optional<VisitGrant> Visit(const Text& ticket, const std::vector<VisitKind>& kinds);

  // The signed-in user for a request carrying `cookies`, if they are valid
  // for `role`.
  std::optional<Text> SignedInUser(const CookieList& cookies, Role role) const;
  // A complete session for `uid` without the exchange, for tests: the
  // cookies a client would hold after signing in.
  CookieList MintSession(const Text& uid);
  // The checked cookies of the latest session, whether complete or not.
  CookieList LatestSessionCookies() const;
  // Ends the sessions of `uid` (every session when empty), as the service
  // does when a sign-in expires: their cookies are no longer accepted.
  // Returns how many sessions ended.
  int Revoke(const Text& uid);

 private:
  struct QrEntry {
    std::chrono::steady_clock::time_point created;
    QrState state = QrState::kWaiting;
    Text uid;
    Text alt;
    bool alt_used = false;
  };
  struct Session {
    Text uid;
    Text sub;
    Text subp;
    Text photo_sid;
    int savestate_days = 0;
    bool main_active = false;
    bool photo_active = false;
  };
  struct Ticket {
    VisitKind kind;
    std::size_t session;
    bool used = false;
  };

  Text Token(const char* prefix, int length);
  void Refresh(QrEntry& entry);
  bool ConfirmLocked(QrEntry& entry, const Text& uid);
  Text NewTicket(VisitKind kind, std::size_t session);
  std::size_t NewSession(const Text& uid, int savestate_days);

  SignOnSettings settings_;
  mutable std::mutex mutex_;
  std::uint64_t counter_ = 0;
  std::vector<std::pair<Text, QrEntry>> qrs_;
  std::map<Text, Text> alt_to_qrid_;
  std::map<Text, Ticket> tickets_;
  std::vector<Session> sessions_;
};

}  // namespace weibo::sim
