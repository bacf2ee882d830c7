#include "signin/jsonp.h"

#include <gtest/gtest.h>

#include "support/json_reply.h"

namespace weibo {
namespace {

TEST(JsonpBody, UnwrapsTheFirstValue) {
  EXPECT_EQ(JsonpBody("STK_1700000000000({\"retcode\":20000000});"), "{\"retcode\":20000000}");
  EXPECT_EQ(JsonpBody("cb({})\n/* (later) */"), "{}");
  EXPECT_EQ(JsonpBody("cb()"), "");

  // A second "(" before the first ")" moves the start behind it, once only.
  EXPECT_EQ(JsonpBody("try{cb({\"a\":1})}catch(e){}"), "{\"a\":1}");
  EXPECT_EQ(JsonpBody("a(b(c(d)e)"), "c(d");

  // A ")" inside a JSON string cuts the body there, so it no longer parses.
  const Text cut = JsonpBody("cb({\"msg\":\"a)b\",\"retcode\":1})");
  EXPECT_EQ(cut, "{\"msg\":\"a");
  JsonNode document;
  EXPECT_FALSE(JsonParse(document, cut));
  EXPECT_EQ(JsonText(JsonMember(document, "retcode")), "0");
}

TEST(JsonpBody, EmptyWithoutBothParentheses) {
  EXPECT_EQ(JsonpBody(""), "");
  EXPECT_EQ(JsonpBody("{\"retcode\":1}"), "");
  EXPECT_EQ(JsonpBody("cb({\"retcode\":1}"), "");
  EXPECT_EQ(JsonpBody(")cb("), "");
  EXPECT_EQ(JsonpBody("cb("), "");
}

TEST(JsonpBody, StepsOverTwoByteCharacters) {
  // In "\x81(" and "\x81)" the parenthesis is the second byte of a character.
  EXPECT_EQ(JsonpBody("\x81(cb(1)"), "1");
  EXPECT_EQ(JsonpBody("cb(\xD6\xD0\x81)2)"), "\xD6\xD0\x81)2");
  EXPECT_EQ(JsonpBody("\x81(\x81)"), "");
}

}  // namespace
}  // namespace weibo
