#include "signin/sign_on_addresses.h"

namespace weibo {
namespace {

Text SignOnAddress(const Endpoints& endpoints, const char* path_and_query) {
  return "http://" + endpoints.signon_host + path_and_query;
}

}  // namespace

Text QrCodeAddress(const Endpoints& endpoints, const Text& timestamp) {
  return SignOnAddress(endpoints, "/sso/qrcode/image?entry=weibo&size=180&callback=STK_") +
         timestamp;
}

Text PollAddress(const Endpoints& endpoints, const Text& qrid, const Text& stamp) {
  return SignOnAddress(endpoints, "/sso/qrcode/check?entry=weibo&qrid=") + qrid +
         "&callback=STK_" + stamp;
}

Text LoginAddress(const Endpoints& endpoints, const Text& alt, const Text& stamp) {
  return SignOnAddress(endpoints,
                       "/sso/login.php?entry=weibo&returntype=TEXT&crossdomain=1&cdult=3"
                       "&domain=") +
         endpoints.main_domain + "&alt=" + alt + "&savestate=30&callback=STK_" + stamp;
}

}  // namespace weibo
