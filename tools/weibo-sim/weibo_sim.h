// The simulated Weibo service, in process: a test starts it on free loopback
// ports, points the tool at endpoints(), drives the sign-in through the
// control methods and checks what the tool sent in the request log.
//
//   weibo::sim::WeiboSim sim;                  // built-in data, no faults
//   ASSERT_TRUE(sim.Start());
//   weibo::Endpoints endpoints = sim.endpoints();
//   ... the tool fetches the QR code ...
//   sim.Scan(sim.LatestQrid());
//   sim.Confirm(sim.LatestQrid());
//   ... the tool signs in and lists albums ...
//   for (const auto& r : sim.Requests()) ...   // path, cookies, faults
//
// Every method is thread-safe. Start and Stop are called once each, from
// the owning thread; the destructor stops a running service.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "support/text_rules.h"
#include "tools/weibo-sim/data_set.h"
#include "tools/weibo-sim/request_log.h"
#include "tools/weibo-sim/sign_on.h"
#include "tools/weibo-sim/sim_options.h"
#include "web/endpoints.h"

namespace weibo::sim {

class WeiboSim {
 public:
  explicit WeiboSim(SimOptions options = SimOptions());
  ~WeiboSim();
  WeiboSim(const WeiboSim&) = delete;
  WeiboSim& operator=(const WeiboSim&) = delete;

  // Binds every port on 127.0.0.1 and starts serving. False, with error()
  // telling why, when a port cannot be bound or an option is not valid.
  bool Start();
  // Ends every connection and joins every thread. Safe to call twice.
  void Stop();
  const Text& error() const;

  // The hosts ("127.0.0.1:PORT") the tool should use; valid after Start.
  // main_domain is the main host without its port.
  const Endpoints& endpoints() const;
  // One line per port: the roles it serves and its host.
  std::vector<std::pair<Text, Text>> Hosts() const;

  // --- sign-in control ---
  std::vector<Text> Qrids() const;  // oldest first
  Text LatestQrid() const;          // empty when no code was asked for yet
  QrState State(const Text& qrid) const;
  bool Scan(const Text& qrid);
  // Signs in `uid` (a user of data()), or the default user when empty.
  bool Confirm(const Text& qrid, const Text& uid = Text());
  bool Expire(const Text& qrid);
  // The address the QR picture of `qrid` encodes: the phone page.
  Text PhoneUrl(const Text& qrid) const;

  // --- cookies ---
  // A finished session for `uid` (default user when empty), without the
  // exchange: the cookies the main and photo hosts accept.
  CookieList SignedInCookies(const Text& uid = Text());
  // The checked cookies of the latest session (minted or signed in).
  CookieList LatestSessionCookies() const;
  // The user whose session `cookies` hold for `role`, if they are valid.
  std::optional<Text> SignedInUser(const CookieList& cookies, Role role) const;
  // Ends the sessions of `uid` (every session when empty); returns how many.
  // The same as POST /sim/revoke[?uid=...] on the sign-on host.
  int Revoke(const Text& uid = Text());
  // "name=value; name=value".
  static Text CookieHeader(const CookieList& cookies);

  // --- request log (the latest 20000 requests) ---
  std::vector<RequestRecord> Requests() const;
  void ClearRequests();

  // --- data ---
  const DataSet& data() const;
  // The user a confirmed QR code signs in by default.
  Text signin_uid() const;
  // The bytes a picture host sends for `pic_name` at `size_segment` ("mw690",
  // no slashes); empty for an unknown name or segment.
  ByteArray PictureBytes(std::string_view size_segment, std::string_view pic_name) const;
  // The address of a picture as the tool builds it: pic_host + "/" + segment + "/" + name.
  Text PictureUrl(const Photo& photo, std::string_view size_segment) const;
  // The static host's placeholder picture.
  ByteArray PlaceholderBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace weibo::sim
