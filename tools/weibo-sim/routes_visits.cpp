// The cross-domain visits that follow a login: each redeems a one-time
// ticket and sets the cookies of its host. The main host's visit answers
// with a redirect that sets one cookie and leads to a page that sets the two
// the main host checks.
#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

constexpr char kDonePage[] =
    "<html><head><meta charset=\"utf-8\"><script type=\"text/javascript\">"
    "try{parent.ssoLoginCallback({\"result\":true});}catch(e){}</script></head>"
    "<body>ok</body></html>";
constexpr char kExpiredPage[] =
    "<html><head><meta charset=\"utf-8\"></head><body>登录凭证无效或已使用</body></html>";

void Visit(ServiceState& state, Exchange& exchange, const std::vector<VisitKind>& kinds) {
  std::optional<VisitGrant> grant = state.sign_on.Visit(Param(exchange.request, "ticket"), kinds);
  if (!grant) {
    SetHtml(exchange.response, kExpiredPage);
    return;
  }
  for (const IssuedCookie& cookie : grant->cookies) AddCookie(exchange, cookie);
  if (grant->kind == VisitKind::kMain) {
    Text target = "http://" + state.main_host + "/sso/login_finish?ticket=" + grant->next_ticket;
    SetHtml(exchange.response, "<html><body>Moved: <a href=\"" + target + "\">continue</a></body></html>",
            302);
    exchange.response.set_header("Location", target);
    return;
  }
  SetHtml(exchange.response, kDonePage);
}

}  // namespace

void AddVisitRoutes(SimHttpServer& server, ServiceState& state, unsigned roles) {
  if (roles & kSignOnRole) {
    AddRoute(server, state, false, "/sso/crossdomain", true, [&state](Exchange& exchange) {
      Visit(state, exchange, {VisitKind::kSignOn});
    });
  }
  std::vector<VisitKind> login_kinds;
  if (roles & kMainRole) login_kinds.push_back(VisitKind::kMain);
  if (roles & kPhotoRole) login_kinds.push_back(VisitKind::kPhoto);
  if (!login_kinds.empty()) {
    AddRoute(server, state, false, "/sso/login", true, [&state, login_kinds](Exchange& exchange) {
      Visit(state, exchange, login_kinds);
    });
  }
  if (roles & kMainRole) {
    AddRoute(server, state, false, "/sso/login_finish", true, [&state](Exchange& exchange) {
      Visit(state, exchange, {VisitKind::kMainFinish});
    });
  }
}

}  // namespace weibo::sim
