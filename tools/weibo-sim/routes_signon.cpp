// The sign-on host: the QR code reply and picture, the status poll and the
// login that hands out the cross-domain addresses.
#include <cstdlib>

#include "tools/weibo-sim/deterministic.h"
#include "tools/weibo-sim/json_writer.h"
#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Status codes go out as JSON numbers, as the service sends them.
void WriteCode(JsonWriter& json, const Text& code) {
  if (AllDigits(code) && code.size() < 18) {
    json.Integer(std::atoll(code.c_str()));
  } else {
    json.String(code);
  }
}

Text ErrorJson(const char* retcode, const char* msg) {
  JsonWriter json;
  json.BeginObject().Key("retcode").Integer(std::atoll(retcode)).Key("msg").String(msg);
  json.Key("data").Null().EndObject();
  return json.text();
}

void QrCodeReply(ServiceState& state, Exchange& exchange) {
  const httplib::Request& request = exchange.request;
  Text callback = Param(request, "callback");
  if (Param(request, "entry") != "weibo") {
    SetJsonp(exchange.response, callback, ErrorJson("50114009", "参数错误"));
    return;
  }
  Text size = Param(request, "size");
  if (!AllDigits(size) || size.size() > 4) size = "180";
  Text qrid = state.sign_on.NewQrid();
  JsonWriter json;
  json.BeginObject().Key("retcode").Integer(20000000).Key("msg").String("succ");
  json.Key("data").BeginObject().Key("qrid").String(qrid);
  json.Key("image").String("http://" + state.signon_host + "/sso/qrcode/picture?qrid=" + qrid +
                           "&size=" + size);
  json.EndObject().EndObject();
  AddCookie(exchange, {kQrCookie, HexDigits(HashText(qrid), 32), -1, true});
  SetJsonp(exchange.response, callback, json.text());
}

void QrPicture(ServiceState& state, Exchange& exchange) {
  Text qrid = Param(exchange.request, "qrid");
  if (state.sign_on.State(qrid) == QrState::kUnknown) {
    SetHtml(exchange.response, "<html><body>no such QR code</body></html>", 404);
    return;
  }
  int size = std::atoi(Param(exchange.request, "size").c_str());
  ByteArray png = state.pictures.QrPicture(state.PhoneUrl(qrid), size > 0 ? size : 180);
  exchange.response.set_content(png, "image/png");
}

void PollReplyJson(ServiceState& state, Exchange& exchange) {
  PollReply reply = state.sign_on.Poll(Param(exchange.request, "qrid"));
  JsonWriter json;
  json.BeginObject().Key("retcode");
  WriteCode(json, reply.retcode);
  json.Key("msg").String(reply.msg).Key("data");
  if (reply.alt.empty()) {
    json.Null();
  } else {
    json.BeginObject().Key("alt").String(reply.alt).EndObject();
  }
  json.EndObject();
  SetJsonp(exchange.response, Param(exchange.request, "callback"), json.text());
}

Text VisitUrl(const ServiceState& state, VisitKind kind, const Text& ticket, int savestate) {
  switch (kind) {
    case VisitKind::kSignOn:
      return "http://" + state.signon_host + "/sso/crossdomain?action=login&entry=weibo&ticket=" +
             ticket + "&savestate=" + std::to_string(savestate);
    case VisitKind::kMain:
      return "http://" + state.main_host + "/sso/login?ticket=" + ticket + "&ssosavestate=" +
             std::to_string(savestate);
    default:
      return "http://" + state.photo_host + "/sso/login?ticket=" + ticket;
  }
}

void LoginReply(ServiceState& state, Exchange& exchange) {
  const httplib::Request& request = exchange.request;
  Text callback = Param(request, "callback");
  int savestate = std::atoi(Param(request, "savestate").c_str());
  std::optional<LoginGrant> grant;
  if (Param(request, "entry") == "weibo") {
    bool with_main = Param(request, "domain") == state.main_domain();
    grant = state.sign_on.Login(Param(request, "alt"), savestate, with_main);
  }
  JsonWriter json;
  if (!grant) {
    json.BeginObject().Key("retcode").String("2071").Key("reason").String("登录凭证无效或已使用");
    json.EndObject();
    SetJsonp(exchange.response, callback, json.text());
    return;
  }
  const User* user = state.data.FindUser(grant->uid);
  json.BeginObject().Key("retcode").String("0").Key("uid").String(grant->uid);
  json.Key("nick").String(user ? user->nick : Text());
  if (Param(request, "crossdomain") == "1") {
    json.Key("crossDomainUrlList").BeginArray();
    for (const auto& [kind, ticket] : grant->tickets) {
      json.String(VisitUrl(state, kind, ticket, savestate));
    }
    json.EndArray();
  }
  json.EndObject();
  for (const IssuedCookie& cookie : grant->cookies) AddCookie(exchange, cookie);
  SetJsonp(exchange.response, callback, json.text());
}

}  // namespace

void AddSignOnRoutes(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, false, "/sso/qrcode/image", true,
           [&state](Exchange& exchange) { QrCodeReply(state, exchange); });
  AddRoute(server, state, false, "/sso/qrcode/picture", true,
           [&state](Exchange& exchange) { QrPicture(state, exchange); });
  AddRoute(server, state, false, "/sso/qrcode/check", true,
           [&state](Exchange& exchange) { PollReplyJson(state, exchange); });
  AddRoute(server, state, false, "/sso/login.php", true,
           [&state](Exchange& exchange) { LoginReply(state, exchange); });
}

}  // namespace weibo::sim
