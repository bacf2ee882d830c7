// The shared state of one simulated service and the registration of its
// routes. Every port of the service (one, or one per host role) registers
// the routes of its roles against the same ServiceState. The state is built
// before the first port listens and, apart from the thread-safe members
// (sign-on, pictures, faults, log), is not changed while serving.
#pragma once

#include <functional>
#include <set>
#include <vector>

#include "tools/weibo-sim/rate_limiter.h"
#include "tools/weibo-sim/data_set.h"
#include "tools/weibo-sim/faults.h"
#include "tools/weibo-sim/pictures.h"
#include "tools/weibo-sim/request_log.h"
#include "tools/weibo-sim/sign_on.h"
#include "tools/weibo-sim/sim_http_server.h"
#include "tools/weibo-sim/sim_options.h"

namespace weibo::sim {

// The host roles one port can play.
enum RoleBits : unsigned {
  kSignOnRole = 1,
  kMainRole = 2,
  kPhotoRole = 4,
  kPictureRole = 8,
  kStaticRole = 16,
  kAllRoles = 31,
};

struct ServiceState {
  explicit ServiceState(const SimOptions& options);

  SimOptions options;
  DataSet data;
  PictureStore pictures;
  SignOn sign_on;
  FaultPlan faults;
  RateLimiter limiter;
  RequestLog log;
  std::set<Text> picture_names;

  // "127.0.0.1:PORT" of each role, known once every port is bound.
  Text signon_host;
  Text main_host;
  Text photo_host;
  Text static_host;
  std::vector<Text> picture_hosts;  // one or two

  Text main_domain() const;
  // "http://" + the picture host that serves `photo`.
  Text PictureHostUrl(const Photo& photo) const;
  // The address of the phone page for `qrid`.
  Text PhoneUrl(const Text& qrid) const;
};

// What a route handler sees of one request.
struct Exchange {
  const httplib::Request& request;
  httplib::Response& response;
  const CookieList& cookies;
  Text& signed_in_uid;  // set by handlers that check the cookies, for the log
  Text HostName() const;  // the Host header without port, "127.0.0.1" if none
};

using RouteHandler = std::function<void(Exchange&)>;

// Registers `handler` for GET (or POST with `post`) and `pattern` on `server`.
// Service routes (`faulty` true) take part in the fault plan; every route is
// logged.
void AddRoute(SimHttpServer& server, ServiceState& state, bool post, const char* pattern,
              bool faulty, RouteHandler handler);

// The routes of each role, and the 404 page that ends every port's table.
void AddSignOnRoutes(SimHttpServer& server, ServiceState& state);
void AddPhoneRoutes(SimHttpServer& server, ServiceState& state);
// POST /sim/revoke[?uid=...]: ends sessions (SignOn::Revoke); answers how many.
void AddRevokeRoute(SimHttpServer& server, ServiceState& state);
void AddMainRoutes(SimHttpServer& server, ServiceState& state);
void AddPhotoRoutes(SimHttpServer& server, ServiceState& state);
void AddPictureRoutes(SimHttpServer& server, ServiceState& state);
void AddStaticRoutes(SimHttpServer& server, ServiceState& state);
// The cross-domain visit addresses of the roles in `roles`.
void AddVisitRoutes(SimHttpServer& server, ServiceState& state, unsigned roles);
void AddNotFoundRoutes(SimHttpServer& server, ServiceState& state);

// Reply helpers shared by the route files.
void SetHtml(httplib::Response& response, const Text& html, int status = 200);
// A JSON-P reply "callback(json);" when `callback` is a plain script name,
// otherwise the bare JSON.
void SetJsonp(httplib::Response& response, const Text& callback, const Text& json);
void SetJson(httplib::Response& response, const Text& json);
// Adds a Set-Cookie header for `cookie` with path "/", the host's domain and
// its expiry.
void AddCookie(const Exchange& exchange, const IssuedCookie& cookie);
Text HtmlEscape(std::string_view text);
// The query parameter `name`, empty when absent.
Text Param(const httplib::Request& request, const char* name);

}  // namespace weibo::sim
