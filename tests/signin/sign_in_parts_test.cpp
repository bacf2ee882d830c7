// The small parts of the sign-in: JSON-P unwrapping, the callback stamp and
// the wait that keeps handling events.
#include <gtest/gtest.h>

#include <chrono>

#include "app/recording_window_ops.h"
#include "signin/callback_stamp.h"
#include "signin/jsonp.h"
#include "signin/message_wait.h"
#include "support/json_reply.h"
#include "support/timestamp.h"

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

TEST(CallbackStamp, TimestampFollowedByTwoMillisecondDigits) {
  EXPECT_EQ(CallbackStampOf("1700000000123", 7), "17000000001237");
  EXPECT_EQ(CallbackStampOf("1700000000123", 42), "170000000012342");
  EXPECT_EQ(CallbackStampOf("1700000000123", 100), "170000000012310");

  const Text before = MillisecondTimestamp();
  const Text stamp = CallbackStamp();
  const Text after = MillisecondTimestamp();
  ASSERT_TRUE(stamp.size() == 14 || stamp.size() == 15) << stamp;
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), Text::npos) << stamp;
  EXPECT_LE(before, stamp.substr(0, 13));
  EXPECT_LE(stamp.substr(0, 13), after);
}

TEST(WaitProcessingMessages, HandlesEventsUntilTheTimeHasPassed) {
  RecordingWindowOps windows;
  int handled = 0;
  windows.SetPendingMessages([&handled] { ++handled; });
  WaitProcessingMessages(windows, -5);
  EXPECT_EQ(handled, 0);

  const auto start = std::chrono::steady_clock::now();
  WaitProcessingMessages(windows, 30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
  // Events are handled at once and again after the time has passed; in
  // between the wait sleeps about 10 ms at a time instead of spinning.
  EXPECT_GE(handled, 2);
  EXPECT_LE(handled, 5);
}

}  // namespace
}  // namespace weibo
