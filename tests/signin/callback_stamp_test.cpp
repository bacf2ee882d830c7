#include "signin/callback_stamp.h"

#include <gtest/gtest.h>

#include "support/timestamp.h"

namespace weibo {
namespace {

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

}  // namespace
}  // namespace weibo
