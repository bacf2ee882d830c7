// The control route that ends sessions, so that a client holding their
// cookies meets an expired sign-in.
#include <string>

#include "tools/weibo-sim/service.h"

namespace weibo::sim {

void AddRevokeRoute(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, true, "/sim/revoke", false, [&state](Exchange& exchange) {
    const int ended = state.sign_on.Revoke(Param(exchange.request, "uid"));
    exchange.response.status = 200;
    exchange.response.set_content("revoked " + std::to_string(ended) + "\n",
                                  "text/plain; charset=utf-8");
  });
}

}  // namespace weibo::sim
