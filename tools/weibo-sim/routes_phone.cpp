// The "phone" a person uses to sign in to the demo from a browser: a page per
// QR code with Scan and Confirm buttons. Also the control addresses that
// scripts use for the same steps, for expiry and to read the request log.
#include "tools/weibo-sim/json_writer.h"
#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

const char* StateCaption(QrState state) {
  switch (state) {
    case QrState::kWaiting: return "等待扫描 (waiting)";
    case QrState::kScanned: return "已扫描，等待确认 (scanned)";
    case QrState::kConfirmed: return "已确认登录 (confirmed)";
    case QrState::kExpired: return "已过期 (expired)";
    case QrState::kUnknown: break;
  }
  return "不存在 (unknown)";
}

Text Button(const Text& action, const Text& qrid, const char* caption, bool enabled) {
  return "<form method=\"post\" action=\"/phone/" + action + "?qrid=" + HtmlEscape(qrid) +
         "\"><button type=\"submit\" name=\"action\" value=\"" + action + "\" style=\"font-size:1.4em\"" +
         (enabled ? "" : " disabled") + ">" + caption + "</button></form>\n";
}

Text PageStart(const char* title) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         "<title>" + Text(title) + "</title></head>\n<body>\n";
}

Text PhonePage(ServiceState& state, const Text& qrid) {
  QrState qr_state = state.sign_on.State(qrid);
  Text html = PageStart("扫码登录") + "<h1>扫码登录</h1>\n<p>二维码: <code>" + HtmlEscape(qrid) +
              "</code></p>\n<p id=\"state\" data-state=\"" + QrStateName(qr_state) + "\">状态: " +
              StateCaption(qr_state) + "</p>\n";
  html += Button("scan", qrid, "扫描 (Scan)", qr_state == QrState::kWaiting);
  html += Button("confirm", qrid, "确认登录 (Confirm)", qr_state == QrState::kScanned);
  html += "<p><a href=\"/phone/qrcode\">全部二维码</a></p>\n</body></html>\n";
  return html;
}

Text IndexPage(ServiceState& state) {
  Text html = PageStart("二维码列表") + "<h1>二维码列表</h1>\n<ul>\n";
  std::vector<Text> qrids = state.sign_on.Qrids();
  for (auto it = qrids.rbegin(); it != qrids.rend(); ++it) {
    Text id = HtmlEscape(*it);
    html += "<li><a href=\"/phone/qrcode?qrid=" + id + "\">" + id + "</a> " +
            StateCaption(state.sign_on.State(*it)) + "<br><img alt=\"QR\" src=\"/sso/qrcode/picture?qrid=" +
            id + "&amp;size=180\"></li>\n";
  }
  return html + "</ul>\n</body></html>\n";
}

void SeeOther(Exchange& exchange, const Text& qrid) {
  SetHtml(exchange.response, "<html><body>See other</body></html>", 303);
  exchange.response.set_header("Location", "/phone/qrcode?qrid=" + qrid);
}

void PlainText(Exchange& exchange, const Text& text, bool ok) {
  exchange.response.status = ok ? 200 : 409;
  exchange.response.set_content(text + "\n", "text/plain; charset=utf-8");
}

Text LogJson(const ServiceState& state) {
  JsonWriter json;
  json.BeginArray();
  for (const RequestRecord& record : state.log.Snapshot()) {
    json.BeginObject().Key("sequence").Integer(static_cast<std::int64_t>(record.sequence));
    json.Key("host").String(record.host).Key("method").String(record.method);
    json.Key("target").String(record.target).Key("status").Integer(record.status);
    json.Key("fault").String(record.fault).Key("signed_in_uid").String(record.signed_in_uid);
    json.Key("cookies").BeginObject();
    for (const auto& [name, value] : record.cookies) json.Key(name).String(value);
    json.EndObject().EndObject();
  }
  json.EndArray();
  return json.text();
}

}  // namespace

void AddPhoneRoutes(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, false, "/phone/qrcode", false, [&state](Exchange& exchange) {
    Text qrid = Param(exchange.request, "qrid");
    SetHtml(exchange.response, qrid.empty() ? IndexPage(state) : PhonePage(state, qrid));
  });
  AddRoute(server, state, true, "/phone/scan", false, [&state](Exchange& exchange) {
    Text qrid = Param(exchange.request, "qrid");
    state.sign_on.Scan(qrid);
    SeeOther(exchange, qrid);
  });
  AddRoute(server, state, true, "/phone/confirm", false, [&state](Exchange& exchange) {
    Text qrid = Param(exchange.request, "qrid");
    state.sign_on.Confirm(qrid, Text());
    SeeOther(exchange, qrid);
  });
  AddRoute(server, state, true, "/__sim/scan", false, [&state](Exchange& exchange) {
    PlainText(exchange, "scan", state.sign_on.Scan(Param(exchange.request, "qrid")));
  });
  AddRoute(server, state, true, "/__sim/confirm", false, [&state](Exchange& exchange) {
    Text uid = Param(exchange.request, "uid");
    bool known = uid.empty() || state.data.FindUser(uid) != nullptr;
    PlainText(exchange, "confirm", known && state.sign_on.Confirm(Param(exchange.request, "qrid"), uid));
  });
  AddRoute(server, state, true, "/__sim/expire", false, [&state](Exchange& exchange) {
    PlainText(exchange, "expire", state.sign_on.Expire(Param(exchange.request, "qrid")));
  });
  AddRoute(server, state, false, "/__sim/state", false, [&state](Exchange& exchange) {
    PlainText(exchange, QrStateName(state.sign_on.State(Param(exchange.request, "qrid"))), true);
  });
  AddRoute(server, state, false, "/__sim/log", false, [&state](Exchange& exchange) {
    SetJson(exchange.response, LogJson(state));
  });
}

}  // namespace weibo::sim
