// The main host: profile pages. A page carries the owner's id and nickname
// in its script block only for a signed-in visitor; others get the visitor
// page, and unknown users a page without them.
#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

// One "$CONFIG[...]" line, ended by "'; " as the page's script has it.
Text ConfigLine(const char* key, const Text& value) {
  return "$CONFIG['" + Text(key) + "']='" + value + "'; \n";
}

Text PageHead(const Text& title, const Text& config_lines) {
  return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
         "</title>\n<script type=\"text/javascript\">\nvar $CONFIG = {};\n" + config_lines +
         "</script>\n</head>\n";
}

Text ProfilePage(const User& owner, const User& viewer) {
  Text config = ConfigLine("islogin", "1") + ConfigLine("oid", owner.uid) +
                ConfigLine("page_id", "100505" + owner.uid) + ConfigLine("onick", owner.nick) +
                ConfigLine("uid", viewer.uid) + ConfigLine("nick", viewer.nick) +
                ConfigLine("lang", "zh-cn");
  Text body = "<body>\n<h1>" + HtmlEscape(owner.nick) + "</h1>\n<p>相册 " +
              std::to_string(owner.albums.size()) + " 个</p>\n</body>\n</html>\n";
  return PageHead(owner.nick + "的微博", config) + body;
}

Text VisitorPage() {
  return PageHead("微博-随时随地发现新鲜事", ConfigLine("islogin", "0") + ConfigLine("lang", "zh-cn")) +
         "<body>\n<p>请先登录</p>\n</body>\n</html>\n";
}

Text MissingUserPage(const User& viewer) {
  return PageHead("404错误", ConfigLine("islogin", "1") + ConfigLine("uid", viewer.uid) +
                                 ConfigLine("nick", viewer.nick)) +
         "<body>\n<p>抱歉，你访问的页面地址有误，或者该页面不存在</p>\n</body>\n</html>\n";
}

// Answers with the page of `owner` (null: unknown) for the signed-in viewer.
void ProfileReply(ServiceState& state, Exchange& exchange, const User* owner, bool own_page) {
  std::optional<Text> uid = state.sign_on.SignedInUser(exchange.cookies, Role::kMain);
  const User* viewer = uid ? state.data.FindUser(*uid) : nullptr;
  if (!viewer) {
    SetHtml(exchange.response, VisitorPage());
    return;
  }
  exchange.signed_in_uid = viewer->uid;
  if (own_page) owner = viewer;
  if (!owner) {
    SetHtml(exchange.response, MissingUserPage(*viewer), 404);
    return;
  }
  SetHtml(exchange.response, ProfilePage(*owner, *viewer));
}

}  // namespace

void AddMainRoutes(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, false, "/", true, [&state](Exchange& exchange) {
    ProfileReply(state, exchange, nullptr, true);
  });
  AddRoute(server, state, false, R"(/u/(\d+))", true, [&state](Exchange& exchange) {
    ProfileReply(state, exchange, state.data.FindUser(exchange.request.matches[1].str()), false);
  });
  AddRoute(server, state, false, "/forum", false, [](Exchange& exchange) {
    SetHtml(exchange.response,
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>意见反馈</title></head>"
            "<body><h1>意见反馈</h1><p>欢迎留言。</p></body></html>\n");
  });
  AddRoute(server, state, false, R"(/([A-Za-z][A-Za-z0-9_]*))", true, [&state](Exchange& exchange) {
    ProfileReply(state, exchange, state.data.FindAlias(exchange.request.matches[1].str()), false);
  });
}

}  // namespace weibo::sim
