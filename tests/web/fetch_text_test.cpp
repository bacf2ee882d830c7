#include "web/fetch_text.h"

#include <gtest/gtest.h>

#include "tests/common/loopback_server.h"

namespace weibo {
namespace {

const ByteArray kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const Text kChineseGbk = "\xD6\xD0\xCE\xC4";                 // 中文

TEST(FetchText, ConvertsTheBodyAndHandsBackEveryOutput) {
  LoopbackServer server;
  server.Enqueue(MakeReply("200 OK", {"Set-Cookie: b=2; path=/", "X-Test: yes"},
                           "{\"msg\":\"" + kChineseUtf8 + "\xE2\x82\xAC\xF0\x9F\x98\x80\"}"));
  Text jar = "a=1";
  Text new_cookies;
  Text headers = "Referer: http://127.0.0.1/";
  Text raw_headers;
  Text text = FetchText(server.Url("/list?x=1"), 0, Text(), &jar, &new_cookies, &headers, nullptr,
                        false, nullptr, std::nullopt, &raw_headers);
  EXPECT_EQ(text, "{\"msg\":\"" + kChineseGbk + "\x80?\"}");
  // The caller's variables are written in place as with HttpRequest.
  EXPECT_EQ(jar, "b=2; a=1");
  EXPECT_EQ(new_cookies, "b=2");
  EXPECT_TRUE(TextContains(raw_headers, "X-Test: yes"));
  ASSERT_EQ(server.Requests().size(), 1U);
  EXPECT_EQ(RequestTarget(server.Requests()[0]), "/list?x=1");
  EXPECT_EQ(RequestHeader(server.Requests()[0], "Cookie"), "a=1");
}

TEST(FetchText, UrlAloneAndFailedExchanges) {
  LoopbackServer server;
  server.Enqueue(MakeReply("200 OK", {}, ByteArray("ok\0tail", 7)));
  ByteArray post = "p=" + kChineseUtf8;
  server.Enqueue(MakeReply("200 OK", {}, "posted"));
  // The URL alone: the text ends at the body's zero byte.
  EXPECT_EQ(FetchText(server.Url("/a")), "ok");
  EXPECT_EQ(FetchText(server.Url("/c"), 1, Text(), nullptr, nullptr, nullptr, nullptr, false,
                      &post),
            "posted");
  EXPECT_TRUE(TextContains(server.Requests().at(1), "\r\n\r\n" + post));

  Text closed_url;
  {
    LoopbackServer gone;
    closed_url = gone.Url("/");
  }
  Text jar = "a=1";
  EXPECT_EQ(FetchText(closed_url, 0, Text(), &jar), "");
  EXPECT_EQ(jar, "a=1");
}

}  // namespace
}  // namespace weibo
