#include "tools/weibo-sim/service.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace weibo::sim {
namespace {

SignOnSettings SignOnSettingsFor(const SimOptions& options, const DataSet& data) {
  SignOnSettings settings;
  settings.seed = options.seed;
  settings.qr_lifetime_ms = options.qr_lifetime_ms;
  settings.auto_confirm_ms = options.auto_confirm_ms;
  settings.expired_retcode = options.expired_retcode;
  settings.default_uid = options.signin_uid.empty() ? data.default_uid() : options.signin_uid;
  return settings;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 418: return "I'm a teapot";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return status < 400 ? "OK" : "Error";
  }
}

// An HTTP date ("Thu, 01 Jan 1970 00:00:01 GMT"), written without the C
// locale functions so that a host program's locale cannot change it.
Text HttpDate(std::time_t when) {
  static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm parts{};
  gmtime_r(&when, &parts);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[parts.tm_wday],
                parts.tm_mday, kMonths[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                parts.tm_min, parts.tm_sec);
  return text;
}

bool IsScriptName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
    bool digit = (c >= '0' && c <= '9') || c == '.';
    if (!letter && !(i > 0 && digit)) return false;
  }
  return true;
}

Text ErrorPage(int status) {
  Text title = std::to_string(status) + " " + ReasonPhrase(status);
  return "<html>\r\n<head><title>" + title + "</title></head>\r\n<body>\r\n<center><h1>" + title +
         "</h1></center>\r\n<hr><center>weibo-sim</center>\r\n</body>\r\n</html>\r\n";
}

// What a proxy or the service's front end answers, with status 200, in
// place of a reply it will not give: a sign-in page.
Text SignInPage() {
  return "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>\xE7\x99\xBB\xE5\xBD\x95</title>"
         "</head>\n<body>\n<p>\xE8\xAF\xB7\xE5\x85\x88\xE7\x99\xBB\xE5\xBD\x95</p>\n"
         "</body>\n</html>\n";
}

bool IsJsonReply(const httplib::Response& response) {
  Text type = response.get_header_value("Content-Type");
  return type.find("json") != Text::npos || type.find("javascript") != Text::npos;
}

// The reply cut in the middle of its JSON value, with whatever wraps the
// value (a JSON-P call) left in place.
Text MalformedJson(const Text& body) {
  std::size_t begin = body.find_first_of("{[");
  std::size_t end = body.find_last_of("}]");
  if (begin == Text::npos || end == Text::npos || end < begin) return body.substr(0, body.size() / 2);
  std::size_t length = end + 1 - begin;
  return body.substr(0, begin) + body.substr(begin, length / 2) + body.substr(end + 1);
}

void AddHugeHeaders(httplib::Response& response) {
  Text filler(100, 'x');
  for (int i = 0; i < 90; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "X-Sim-Padding-%02d", i);
    response.set_header(name, filler);
  }
}

// Sends the head (with the full Content-Length) and half the body, then ends
// the connection, in an orderly way or with a reset.
void SendCutReply(const httplib::Response& response, bool reset) {
  Connection* connection = CurrentConnection();
  if (!connection) return;
  Text head = "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonPhrase(response.status) + "\r\n";
  for (const auto& [name, value] : response.headers) {
    if (name == "Content-Length" || name == "Connection" || name == "Keep-Alive") continue;
    head += name + ": " + value + "\r\n";
  }
  head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  head += "Connection: close\r\n\r\n";
  connection->SendRaw(head + response.body.substr(0, response.body.size() / 2));
  connection->Abandon(reset);
}

RequestRecord StartRecord(const httplib::Request& request) {
  RequestRecord record;
  record.host = request.get_header_value("Host");
  record.method = request.method;
  record.target = request.target;
  record.path = request.path;
  Text cookie_header;
  for (const auto& [name, value] : request.headers) {
    record.headers.emplace_back(name, value);
    if (AsciiLower(name) == "cookie") cookie_header += (cookie_header.empty() ? "" : "; ") + value;
  }
  record.cookies = ParseCookieHeader(cookie_header);
  return record;
}

void Serve(SimHttpServer& server, ServiceState& state, bool faulty, const RouteHandler& handler,
           const httplib::Request& request, httplib::Response& response) {
  RequestRecord record = StartRecord(request);
  FaultDecision decision;
  if (faulty) {
    std::size_t question = request.target.find('?');
    std::string_view query = question == Text::npos ? std::string_view()
                                                     : std::string_view(request.target).substr(question + 1);
    decision = state.faults.Decide(request.path, query);
  }
  if (decision.latency_ms > 0) {
    server.Pause(decision.latency_ms);
    record.fault = "latency";
  }
  std::optional<FaultKind> kind;
  if (decision.fault) kind = decision.fault->kind;
  Exchange exchange{request, response, record.cookies, record.signed_in_uid};
  // The rate limit answers before any fault or route.
  if (faulty && !state.limiter.Admit(request.remote_addr)) {
    SetHtml(response, ErrorPage(418), 418);
    kind.reset();
    record.fault = "ratelimit";
  } else if (kind == FaultKind::kStall) {
    server.Pause(decision.fault->milliseconds);
    if (Connection* connection = CurrentConnection()) connection->Abandon(false);
    response.status = 0;
  } else if (kind == FaultKind::kStatus) {
    SetHtml(response, ErrorPage(decision.fault->status), decision.fault->status);
  } else if (kind == FaultKind::kHtmlPage) {
    SetHtml(response, SignInPage());
  } else {
    handler(exchange);
    if (response.status == -1) response.status = 200;
    if (kind == FaultKind::kBadJson && !IsJsonReply(response)) kind.reset();
    if (kind == FaultKind::kBadJson) response.body = MalformedJson(response.body);
    if (kind == FaultKind::kHugeHeaders) AddHugeHeaders(response);
    if (kind == FaultKind::kShortBody || kind == FaultKind::kReset) {
      SendCutReply(response, kind == FaultKind::kReset);
    }
  }
  if (kind) record.fault = FaultKindName(*kind);
  record.status = response.status;
  record.body_bytes = response.body.size();
  if (state.options.log_to_stderr) {
    std::fprintf(stderr, "weibo-sim: %s %s %s -> %d%s%s\n", record.host.c_str(),
                 record.method.c_str(), record.target.c_str(), record.status,
                 record.fault.empty() ? "" : " fault=", record.fault.c_str());
  }
  state.log.Add(std::move(record));
}

}  // namespace

ServiceState::ServiceState(const SimOptions& opts)
    : options(opts),
      data(opts.bench_albums, opts.bench_photos),
      pictures(opts.picture_kib),
      sign_on(SignOnSettingsFor(opts, data)),
      faults(opts.seed, opts.faults),
      limiter(RateLimit{opts.rate_limit, opts.rate_burst}) {
  for (const User& user : data.users()) {
    for (const Album& album : user.albums) {
      for (const Photo& photo : album.photos) picture_names.insert(photo.pic_name);
    }
  }
}

Text ServiceState::main_domain() const { return main_host.substr(0, main_host.find(':')); }

Text ServiceState::PictureHostUrl(const Photo& photo) const {
  if (picture_hosts.empty()) return "http://" + main_host;
  return "http://" + picture_hosts[static_cast<std::size_t>(photo.host_index) % picture_hosts.size()];
}

Text ServiceState::PhoneUrl(const Text& qrid) const {
  return "http://" + signon_host + "/phone/qrcode?qrid=" + qrid;
}

Text Exchange::HostName() const {
  Text host = request.get_header_value("Host");
  host = host.substr(0, host.find(':'));
  return host.empty() ? Text("127.0.0.1") : host;
}

void AddRoute(SimHttpServer& server, ServiceState& state, bool post, const char* pattern,
              bool faulty, RouteHandler handler) {
  auto wrapped = [&server, &state, faulty, handler = std::move(handler)](
                     const httplib::Request& request, httplib::Response& response) {
    Serve(server, state, faulty, handler, request, response);
  };
  if (post) {
    server.Post(pattern, wrapped);
  } else {
    server.Get(pattern, wrapped);
  }
}

void SetHtml(httplib::Response& response, const Text& html, int status) {
  response.status = status;
  response.set_content(html, "text/html; charset=utf-8");
}

void SetJsonp(httplib::Response& response, const Text& callback, const Text& json) {
  if (IsScriptName(callback)) {
    response.set_content(callback + "(" + json + ");", "application/javascript; charset=utf-8");
  } else {
    response.set_content(json, "application/json; charset=utf-8");
  }
}

void SetJson(httplib::Response& response, const Text& json) {
  response.set_content(json, "application/json; charset=utf-8");
}

void AddCookie(const Exchange& exchange, const IssuedCookie& cookie) {
  Text header = cookie.name + "=" + cookie.value;
  if (cookie.lifetime_days == 0) {
    header += "; expires=Thu, 01 Jan 1970 00:00:01 GMT";
  } else if (cookie.lifetime_days > 0 && cookie.use_max_age) {
    header += "; Max-Age=" + std::to_string(cookie.lifetime_days * 86400);
  } else if (cookie.lifetime_days > 0) {
    auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    header += "; expires=" + HttpDate(now + std::time_t{cookie.lifetime_days} * 86400);
  }
  header += "; path=/";
  Text host = exchange.HostName();
  if (host.find('.') != Text::npos) header += "; domain=" + host;
  if (cookie.http_only) header += "; httponly";
  exchange.response.set_header("Set-Cookie", header);
}

Text HtmlEscape(std::string_view text) {
  Text out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

Text Param(const httplib::Request& request, const char* name) {
  return request.has_param(name) ? request.get_param_value(name) : Text();
}

}  // namespace weibo::sim
