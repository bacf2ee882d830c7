#include "signin/callback_stamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "support/timestamp.h"

namespace weibo {
namespace {

TEST(CallbackStamp, TimestampFollowedByTwoMillisecondDigits) {
  EXPECT_EQ(CallbackStampOf("1700000000123", 0), "17000000001230");
  EXPECT_EQ(CallbackStampOf("1700000000123", 7), "17000000001237");
  EXPECT_EQ(CallbackStampOf("1700000000123", 42), "170000000012342");
  EXPECT_EQ(CallbackStampOf("1700000000123", 100), "170000000012310");
  EXPECT_EQ(CallbackStampOf("1700000000123", 999), "170000000012399");

  const Text before = MillisecondTimestamp();
  const Text stamp = CallbackStamp();
  const Text after = MillisecondTimestamp();
  ASSERT_EQ(before.size(), 13U);
  ASSERT_TRUE(stamp.size() == 14 || stamp.size() == 15) << stamp;
  EXPECT_TRUE(std::all_of(stamp.begin(), stamp.end(),
                          [](unsigned char c) { return std::isdigit(c) != 0; }))
      << stamp;
  const Text timestamp = stamp.substr(0, 13);
  EXPECT_LE(before, timestamp);
  EXPECT_LE(timestamp, after);
  // A one-digit field is never written with a leading zero.
  if (stamp.size() == 15) {
    EXPECT_NE(stamp[13], '0') << stamp;
  }
}

}  // namespace
}  // namespace weibo
