#include "tests/sim/sim_test_client.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace weibo::sim::testing {
namespace {

std::pair<std::string, int> SplitHost(const std::string& host) {
  std::size_t colon = host.rfind(':');
  return {host.substr(0, colon), std::stoi(host.substr(colon + 1))};
}

Reply Send(const std::string& host, const std::string& target, const std::string& cookie_header,
           bool post) {
  auto [name, port] = SplitHost(host);
  httplib::Client client(name, port);
  client.set_read_timeout(5, 0);
  client.set_connection_timeout(5, 0);
  httplib::Headers headers;
  if (!cookie_header.empty()) headers.emplace("Cookie", cookie_header);
  httplib::Result result = post ? client.Post(target.c_str(), headers, "action=go",
                                              "application/x-www-form-urlencoded")
                                : client.Get(target.c_str(), headers);
  Reply reply;
  if (!result) return reply;
  reply.status = result->status;
  for (const auto& [key, value] : result->headers) reply.headers.emplace(key, value);
  reply.body = result->body;
  return reply;
}

}  // namespace

std::string Reply::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (AsciiLower(key) == AsciiLower(name)) return value;
  }
  return "";
}

Reply Get(const std::string& host, const std::string& target, const std::string& cookie_header) {
  return Send(host, target, cookie_header, false);
}

Reply Post(const std::string& host, const std::string& target) { return Send(host, target, "", true); }

Reply GetUrl(const std::string& url, const std::string& cookie_header) {
  const std::string scheme = "http://";
  if (url.rfind(scheme, 0) != 0) return Reply();
  std::size_t slash = url.find('/', scheme.size());
  std::string host = url.substr(scheme.size(), slash - scheme.size());
  return Get(host, slash == std::string::npos ? "/" : url.substr(slash), cookie_header);
}

std::string JsonpBody(const std::string& reply) {
  std::size_t open = reply.find('(');
  std::size_t close = reply.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open) return "";
  return reply.substr(open + 1, close - open - 1);
}

QJsonObject ParseObject(const std::string& json, bool* ok) {
  QJsonParseError error;
  QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  if (ok) *ok = error.error == QJsonParseError::NoError && document.isObject();
  return document.object();
}

std::string Str(const QJsonValue& value) { return value.toString().toStdString(); }

std::string RawExchange(const std::string& host, const std::string& request, int timeout_ms,
                        int* error) {
  auto [name, port] = SplitHost(host);
  *error = 0;
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  ::inet_pton(AF_INET, name.c_str(), &address.sin_addr);
  timeval timeout{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  std::string received;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
    *error = errno;
    ::close(fd);
    return received;
  }
  char buffer[4096];
  for (;;) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      received.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0) *error = errno;
    break;
  }
  ::close(fd);
  return received;
}

}  // namespace weibo::sim::testing
