// weibo-tls-server: a small HTTPS server on 127.0.0.1 for the Windows build's
// TLS tests, which run under Wine and need a real TLS peer. It serves one
// certificate and answers:
//   GET /hello          200 "hello over TLS"
//   GET /to-http?port=N 302 to http://127.0.0.1:N/hello (a downgrade)
// It listens on a free port, prints "port N" on standard output once it
// accepts connections, and runs until it is killed.
//   weibo-tls-server <certificate.pem> <key.pem>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: weibo-tls-server <certificate.pem> <key.pem>\n");
    return 2;
  }
  httplib::SSLServer server(argv[1], argv[2]);
  if (!server.is_valid()) {
    std::fprintf(stderr, "weibo-tls-server: cannot use %s and %s\n", argv[1], argv[2]);
    return 1;
  }
  server.Get("/hello", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("hello over TLS", "text/plain");
  });
  server.Get("/to-http", [](const httplib::Request& request, httplib::Response& response) {
    response.set_redirect("http://127.0.0.1:" + request.get_param_value("port") + "/hello");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  if (port <= 0) {
    std::fprintf(stderr, "weibo-tls-server: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::thread listener([&server] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::printf("port %d\n", port);
  std::fflush(stdout);
  listener.join();
  return 0;
}
