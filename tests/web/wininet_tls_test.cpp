// HTTPS through WinINet against real TLS servers (scripts/run-with-tls-server.sh
// starts them on the Linux side and passes their ports): a certificate
// trusted in the root store is accepted, one nothing trusts is refused at
// once, and a redirect from https to plain http is not followed. The first
// server's self-signed certificate is trusted only while the test runs: it is
// added to the current user's root store of the Wine prefix and removed again.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/common/loopback_server.h"
#include "web/http_request.h"
#include "web/wininet_transport.h"

namespace weibo {
namespace {

using namespace std::chrono_literals;

Text Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? Text() : Text(value);
}

// A certificate in the current user's root store for the object's life.
class TrustedCertificate {
 public:
  explicit TrustedCertificate(const Text& base64_der) {
    DWORD size = 0;
    if (!CryptStringToBinaryA(base64_der.c_str(), 0, CRYPT_STRING_BASE64, nullptr, &size, nullptr,
                              nullptr)) {
      return;
    }
    std::string der(size, '\0');
    if (!CryptStringToBinaryA(base64_der.c_str(), 0, CRYPT_STRING_BASE64,
                              reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr)) {
      return;
    }
    store_ = CertOpenSystemStoreA(0, "ROOT");
    if (store_ == nullptr) return;
    // The store is kept in the registry, written when committed: the chain
    // checks open stores of their own.
    if (!CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING,
                                          reinterpret_cast<const BYTE*>(der.data()), size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, &added_) ||
        !CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr)) {
      return;
    }
    committed_ = true;
  }
  ~TrustedCertificate() {
    if (added_ != nullptr) CertDeleteCertificateFromStore(added_);  // frees the context
    if (store_ != nullptr) CertCloseStore(store_, 0);  // writes the removal
  }
  TrustedCertificate(const TrustedCertificate&) = delete;
  TrustedCertificate& operator=(const TrustedCertificate&) = delete;

  bool Trusted() const { return committed_; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
  bool committed_ = false;
};

TransportRequest Get(const Text& port, const Text& path) {
  TransportRequest request;
  request.secure = true;
  request.host = "127.0.0.1";
  request.port = std::stoi(port);
  request.path = path;
  request.agent = "tls test";
  return request;
}

TEST(WinInetTlsTest, TrustedCertificatePassesUntrustedFailsAndNoDowngrade) {
  const Text trusted_port = Env("WEIBO_TLS_TRUSTED_PORT");
  const Text untrusted_port = Env("WEIBO_TLS_UNTRUSTED_PORT");
  ASSERT_FALSE(trusted_port.empty() || untrusted_port.empty())
      << "run under scripts/run-with-tls-server.sh";
  TrustedCertificate trusted(Env("WEIBO_TLS_CA"));
  ASSERT_TRUE(trusted.Trusted());

  TransportLimits limits;
  limits.connect_timeout = 10s;
  limits.idle_timeout = 10s;
  WinInetTransport transport(limits);

  // The trusted certificate: the reply arrives whole.
  TransportReply good = transport.Exchange(Get(trusted_port, "/hello"));
  EXPECT_EQ(good.outcome, TransportOutcome::kComplete);
  EXPECT_EQ(good.status, 200);
  EXPECT_EQ(good.body, "hello over TLS");
  EXPECT_EQ(HttpRequestVia(transport, "https://127.0.0.1:" + trusted_port + "/hello"),
            "hello over TLS");

  // A certificate nothing trusts: refused before anything is sent, at once.
  const auto started = std::chrono::steady_clock::now();
  TransportReply bad = transport.Exchange(Get(untrusted_port, "/hello"));
  EXPECT_EQ(bad.outcome, TransportOutcome::kFailed);
  EXPECT_EQ(bad.status, 0);
  EXPECT_TRUE(bad.header_blocks.empty());
  EXPECT_EQ(bad.body, "");
  EXPECT_LT(std::chrono::steady_clock::now() - started, 8s);
  EXPECT_EQ(HttpRequestVia(transport, "https://127.0.0.1:" + untrusted_port + "/hello"), "");

  // https to plain http: the redirect arrives but is not followed.
  LoopbackServer plain;
  plain.Enqueue(MakeReply("200 OK", {}, "in the clear"));
  const Text redirect = "/to-http?port=" + std::to_string(plain.Port());
  TransportReply hop = transport.Exchange(Get(trusted_port, redirect));
  EXPECT_EQ(hop.status, 302);
  EXPECT_EQ(hop.redirect_url, plain.Url("/hello"));
  Text raw_headers;
  EXPECT_EQ(HttpRequestVia(transport, "https://127.0.0.1:" + trusted_port + redirect, 0, "",
                           nullptr, nullptr, nullptr, nullptr, false, nullptr, std::nullopt,
                           &raw_headers),
            "");
  EXPECT_EQ(raw_headers.rfind("HTTP/1.1 302", 0), 0u) << raw_headers;
  EXPECT_TRUE(plain.Requests().empty());
}

}  // namespace
}  // namespace weibo
