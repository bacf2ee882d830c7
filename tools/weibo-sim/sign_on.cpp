#include "tools/weibo-sim/sign_on.h"

#include <algorithm>

#include "tools/weibo-sim/deterministic.h"

namespace weibo::sim {
namespace {

constexpr char kWaitingMsg[] = "未使用";
constexpr char kScannedMsg[] = "成功扫描，请在手机点击确认以登录";
constexpr char kConfirmedMsg[] = "成功";
constexpr char kExpiredMsg[] = "该二维码已过期，请重新扫描";
constexpr char kUnknownMsg[] = "二维码不存在或已失效";

Text EpochSecondsIn(int days) {
  auto now = std::chrono::system_clock::now().time_since_epoch();
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now).count();
  return std::to_string(seconds + std::int64_t{days} * 86400);
}

const Text* CookieValue(const CookieList& cookies, std::string_view name) {
  for (const auto& [cookie_name, value] : cookies) {
    if (cookie_name == name) return &value;
  }
  return nullptr;
}

}  // namespace

const char* QrStateName(QrState state) {
  switch (state) {
    case QrState::kWaiting: return "waiting";
    case QrState::kScanned: return "scanned";
    case QrState::kConfirmed: return "confirmed";
    case QrState::kExpired: return "expired";
    case QrState::kUnknown: break;
  }
  return "unknown";
}

SignOn::SignOn(SignOnSettings settings) : settings_(std::move(settings)) {}

Text SignOn::Token(const char* prefix, int length) {
  return Text(prefix) + Base62Digits(Mix(settings_.seed, 0x5349474Eull, ++counter_), length);
}

Text SignOn::NewQrid() {
  std::lock_guard<std::mutex> lock(mutex_);
  Text qrid = Token("", 32);
  QrEntry entry;
  entry.created = std::chrono::steady_clock::now();
  qrs_.emplace_back(qrid, entry);
  return qrid;
}

void SignOn::Refresh(QrEntry& entry) {
  using std::chrono::milliseconds;
  auto age = std::chrono::steady_clock::now() - entry.created;
  if (settings_.auto_confirm_ms >= 0) {
    if (entry.state == QrState::kWaiting && age >= milliseconds(settings_.auto_confirm_ms / 2)) {
      entry.state = QrState::kScanned;
    }
    if (entry.state == QrState::kScanned && age >= milliseconds(settings_.auto_confirm_ms)) {
      ConfirmLocked(entry, Text());
    }
  }
  bool open = entry.state == QrState::kWaiting || entry.state == QrState::kScanned;
  if (open && age >= milliseconds(settings_.qr_lifetime_ms)) entry.state = QrState::kExpired;
}

bool SignOn::ConfirmLocked(QrEntry& entry, const Text& uid) {
  if (entry.state != QrState::kScanned) return false;
  entry.state = QrState::kConfirmed;
  entry.uid = uid.empty() ? settings_.default_uid : uid;
  entry.alt = Token("ALT-", 40);
  for (const auto& [qrid, candidate] : qrs_) {
    if (&candidate == &entry) alt_to_qrid_[entry.alt] = qrid;
  }
  return true;
}

PollReply SignOn::Poll(const Text& qrid) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, entry] : qrs_) {
    if (id != qrid) continue;
    Refresh(entry);
    switch (entry.state) {
      case QrState::kWaiting: return {"50114001", kWaitingMsg, ""};
      case QrState::kScanned: return {"50114002", kScannedMsg, ""};
      case QrState::kConfirmed: return {"20000000", kConfirmedMsg, entry.alt};
      default: return {settings_.expired_retcode, kExpiredMsg, ""};
    }
  }
  return {settings_.expired_retcode, kUnknownMsg, ""};
}

bool SignOn::Scan(const Text& qrid) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, entry] : qrs_) {
    if (id != qrid) continue;
    Refresh(entry);
    if (entry.state == QrState::kWaiting) entry.state = QrState::kScanned;
    return entry.state == QrState::kScanned;
  }
  return false;
}

bool SignOn::Confirm(const Text& qrid, const Text& uid) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, entry] : qrs_) {
    if (id != qrid) continue;
    Refresh(entry);
    return ConfirmLocked(entry, uid);
  }
  return false;
}

bool SignOn::Expire(const Text& qrid) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, entry] : qrs_) {
    if (id != qrid) continue;
    Refresh(entry);
    if (entry.state != QrState::kWaiting && entry.state != QrState::kScanned) return false;
    entry.state = QrState::kExpired;
    return true;
  }
  return false;
}

QrState SignOn::State(const Text& qrid) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, entry] : qrs_) {
    if (id != qrid) continue;
    Refresh(entry);
    return entry.state;
  }
  return QrState::kUnknown;
}

std::vector<Text> SignOn::Qrids() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Text> ids;
  for (const auto& entry : qrs_) ids.push_back(entry.first);
  return ids;
}

std::size_t SignOn::NewSession(const Text& uid, int savestate_days) {
  Session session;
  session.uid = uid;
  session.sub = Token("_2A", 57);
  session.subp = Token("0033WrSXqPxfM725Ws9jqgMF55529P9D9W", 30);
  session.photo_sid = Token("", 32);
  session.savestate_days = savestate_days;
  sessions_.push_back(session);
  return sessions_.size() - 1;
}

Text SignOn::NewTicket(VisitKind kind, std::size_t session) {
  Text ticket = Token("ST-", 36);
  tickets_[ticket] = Ticket{kind, session, false};
  return ticket;
}

std::optional<LoginGrant> SignOn::Login(const Text& alt, int savestate_days, bool with_main) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = alt_to_qrid_.find(alt);
  if (found == alt_to_qrid_.end()) return std::nullopt;
  for (auto& [id, entry] : qrs_) {
    if (id != found->second) continue;
    if (entry.alt_used) return std::nullopt;
    entry.alt_used = true;
    std::size_t session = NewSession(entry.uid, std::max(0, savestate_days));
    LoginGrant grant;
    grant.uid = entry.uid;
    grant.tickets.emplace_back(VisitKind::kSignOn, NewTicket(VisitKind::kSignOn, session));
    if (with_main) grant.tickets.emplace_back(VisitKind::kMain, NewTicket(VisitKind::kMain, session));
    grant.tickets.emplace_back(VisitKind::kPhoto, NewTicket(VisitKind::kPhoto, session));
    int days = savestate_days > 0 ? savestate_days : -1;
    grant.cookies.push_back({kTicketCookie, Token("TGT-", 40), days, true});
    return grant;
  }
  return std::nullopt;
}

std::optional<VisitGrant> SignOn::Visit(const Text& ticket, const std::vector<VisitKind>& kinds) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = tickets_.find(ticket);
  if (found == tickets_.end() || found->second.used) return std::nullopt;
  Ticket& entry = found->second;
  if (std::find(kinds.begin(), kinds.end(), entry.kind) == kinds.end()) return std::nullopt;
  entry.used = true;
  Session& session = sessions_[entry.session];
  int days = session.savestate_days > 0 ? session.savestate_days : -1;
  VisitGrant grant{entry.kind, session.uid, {}, {}};
  switch (entry.kind) {
    case VisitKind::kSignOn:
      grant.cookies.push_back({"ALF", EpochSecondsIn(std::max(days, 0)), days});
      grant.cookies.push_back({"SSOLoginState", EpochSecondsIn(0), -1});
      grant.cookies.push_back({kQrCookie, "deleted", 0});
      break;
    case VisitKind::kMain:
      grant.next_ticket = NewTicket(VisitKind::kMainFinish, entry.session);
      grant.cookies.push_back({kRedirectCookie, Token("", 24), -1, true});
      break;
    case VisitKind::kMainFinish:
      session.main_active = true;
      grant.cookies.push_back({kSessionCookie, session.sub, days, true});
      grant.cookies.push_back({kProfileCookie, session.subp, days});
      break;
    case VisitKind::kPhoto:
      session.photo_active = true;
      grant.cookies.push_back({kPhotoCookie, session.photo_sid, days, true, true});
      break;
  }
  return grant;
}

std::optional<Text> SignOn::SignedInUser(const CookieList& cookies, Role role) const {
  const Text* sub = CookieValue(cookies, kSessionCookie);
  if (!sub) return std::nullopt;
  const Text* partner = CookieValue(cookies, role == Role::kMain ? kProfileCookie : kPhotoCookie);
  if (!partner) return std::nullopt;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Session& session : sessions_) {
    if (session.sub != *sub) continue;
    bool active = role == Role::kMain ? session.main_active : session.photo_active;
    const Text& expected = role == Role::kMain ? session.subp : session.photo_sid;
    if (active && expected == *partner) return session.uid;
  }
  return std::nullopt;
}

CookieList SignOn::MintSession(const Text& uid) {
  std::lock_guard<std::mutex> lock(mutex_);
  Session& session = sessions_[NewSession(uid.empty() ? settings_.default_uid : uid, 30)];
  session.main_active = true;
  session.photo_active = true;
  return {{kSessionCookie, session.sub},
          {kProfileCookie, session.subp},
          {kPhotoCookie, session.photo_sid}};
}

CookieList SignOn::LatestSessionCookies() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (sessions_.empty()) return {};
  const Session& session = sessions_.back();
  return {{kSessionCookie, session.sub},
          {kProfileCookie, session.subp},
          {kPhotoCookie, session.photo_sid}};
}

int SignOn::Revoke(const Text& uid) {
  std::lock_guard<std::mutex> lock(mutex_);
  int ended = 0;
  for (Session& session : sessions_) {
    if (!uid.empty() && session.uid != uid) continue;
    if (!session.main_active && !session.photo_active) continue;
    session.main_active = false;
    session.photo_active = false;
    ++ended;
  }
  return ended;
}

}  // namespace weibo::sim
