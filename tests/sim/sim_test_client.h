// Plain HTTP requests for the simulator's tests, through cpp-httplib's
// client (never the tool's own web code), plus small readers for the
// replies: JSON-P unwrapping and JSON parsing through Qt, and a raw socket
// for the fault tests.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <string>
#include <vector>

#include "tools/weibo-sim/weibo_sim.h"

namespace weibo::sim::testing {

struct Reply {
  int status = 0;  // 0: no reply (connection failed or cut)
  std::multimap<std::string, std::string> headers;
  std::string body;

  std::string Header(const std::string& name) const;
};

// GET (or POST with an empty form) of `target` on `host` ("127.0.0.1:PORT"),
// with `cookie_header` when not empty. Redirects are not followed.
Reply Get(const std::string& host, const std::string& target, const std::string& cookie_header = "");
Reply Post(const std::string& host, const std::string& target);
// The same for an absolute "http://host:port/path?query" address.
Reply GetUrl(const std::string& url, const std::string& cookie_header = "");

// The JSON between the first "(" and the last ")" of a JSON-P reply.
std::string JsonpBody(const std::string& reply);
// The object the text holds; an empty object with `ok` false when it does
// not parse.
QJsonObject ParseObject(const std::string& json, bool* ok = nullptr);
std::string Str(const QJsonValue& value);  // a JSON string as UTF-8

// Sends `request` on a fresh socket to `host` and reads until the peer
// closes, an error or `timeout_ms` without data. `error` gets errno of a
// failed read (ECONNRESET, EAGAIN) or 0 at an orderly end.
std::string RawExchange(const std::string& host, const std::string& request, int timeout_ms,
                        int* error);

}  // namespace weibo::sim::testing
