#include "web/http_transport.h"

#include <string>

namespace weibo {

Text EscapeTarget(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  Text escaped;
  for (unsigned char c : path) {
    if (c <= 0x20 || c >= 0x7F) {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0x0F];
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

Text RequestAddress(const TransportRequest& request) {
  return (request.secure ? "https://" : "http://") + request.host + ":" +
         std::to_string(request.port) + EscapeTarget(request.path);
}

std::vector<Text> SendableHeaderLines(const std::vector<Text>& lines) {
  std::vector<Text> sendable;
  for (const Text& line : lines) {
    if (!line.empty() && line.find_first_of("\r\n") == Text::npos) sendable.push_back(line);
  }
  return sendable;
}

Text SendableAgent(const Text& agent) { return agent.substr(0, agent.find_first_of("\r\n")); }

HttpTransport& DefaultHttpTransport() {
  // Never destroyed: worker threads may still use it while the process ends.
  static HttpTransport* transport = NewHttpTransport(TransportLimits()).release();
  return *transport;
}

}  // namespace weibo
