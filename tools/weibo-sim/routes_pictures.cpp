// The picture hosts, the static host's placeholder and the page for every
// address that no route claims.
#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

constexpr char kPlaceholderPath[] = "/t4/appstyle/photo/images/common/status_0.png";
constexpr char kNotFoundPage[] =
    "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n"
    "<center><h1>404 Not Found</h1></center>\r\n</body>\r\n</html>\r\n";

void PictureReply(ServiceState& state, Exchange& exchange) {
  Text segment = exchange.request.matches[1].str();
  Text name = exchange.request.matches[2].str();
  std::optional<Picture> picture;
  if (state.picture_names.count(name)) picture = state.pictures.Render(segment, name);
  if (!picture) {
    SetHtml(exchange.response, kNotFoundPage, 404);
    return;
  }
  exchange.response.set_content(picture->bytes, picture->content_type);
  exchange.response.set_header("Cache-Control", "max-age=2592000");
}

}  // namespace

void AddPictureRoutes(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, false, R"(/([a-z0-9]+)/([A-Za-z0-9_.\-]+))", true,
           [&state](Exchange& exchange) { PictureReply(state, exchange); });
}

void AddStaticRoutes(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, false, kPlaceholderPath, true, [&state](Exchange& exchange) {
    exchange.response.set_content(state.pictures.Placeholder(), "image/png");
  });
}

void AddNotFoundRoutes(SimHttpServer& server, ServiceState& state) {
  for (bool post : {false, true}) {
    AddRoute(server, state, post, ".*", false,
             [](Exchange& exchange) { SetHtml(exchange.response, kNotFoundPage, 404); });
  }
}

}  // namespace weibo::sim
