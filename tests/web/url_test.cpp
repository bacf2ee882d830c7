#include <gtest/gtest.h>

#include "web/http_request.h"

namespace weibo {
namespace {

TEST(UrlTest, HostPortAndPathFollowTheTextRules) {
  const Text url = "HTTPS://Example.COM:8443/a?b";
  EXPECT_EQ(UrlHost(url), "example.com");
  EXPECT_EQ(UrlHost(url, true), "example.com:8443");
  EXPECT_EQ(UrlPort(url), 8443);
  EXPECT_EQ(UrlPath(url), "/a?b");
  EXPECT_EQ(UrlPort("photo.example.com/x"), 80);
  EXPECT_EQ(UrlPort("https://h.example/"), 443);
  EXPECT_EQ(UrlPath("http://h.example"), "/");
  // A query right after the host: it becomes part of the host, the path is "/".
  EXPECT_EQ(UrlHost("http://h.example?x=1"), "h.example?x=1");
  EXPECT_EQ(UrlPath("http://h.example?x=1"), "/");
  // The port is the number after the last colon; no digits give 0.
  EXPECT_EQ(UrlPort("http://h.example:/"), 0);
  EXPECT_EQ(UrlPort("http://a:1:2/"), 2);
  EXPECT_EQ(UrlHost("http://a:1:2/"), "a");
  EXPECT_EQ(UrlPort("http://h:\xA3\xB8\xA3\xB0/"), 80);  // full-width digits count
}

}  // namespace
}  // namespace weibo
