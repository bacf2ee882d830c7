// The bytes of a kept session: only a whole record of this format for the
// same owner reads back.
#include "support/session_record.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

TEST(SessionRecordTest, OnlyAWholeRecordOfThisFormatForTheSameOwnerReadsBack) {
  const Text jar = "SUB=abc; SUBP=d=e; PHOTO_SID=\xC4\xE3";
  const ByteArray record = EncodeSessionRecord("uid 1 machine m", jar);
  ASSERT_EQ(DecodeSessionRecord(record, "uid 1 machine m"), jar);
  EXPECT_EQ(DecodeSessionRecord(EncodeSessionRecord("o", ""), "o"), Text());

  // Another user or machine.
  EXPECT_FALSE(DecodeSessionRecord(record, "uid 2 machine m").has_value());
  EXPECT_FALSE(DecodeSessionRecord(record, "uid 1 machine n").has_value());
  EXPECT_FALSE(DecodeSessionRecord(record, "uid 1").has_value());
  // Cut anywhere, or one byte more.
  for (std::size_t size = 0; size < record.size(); ++size) {
    EXPECT_FALSE(DecodeSessionRecord(record.substr(0, size), "uid 1 machine m").has_value())
        << size;
  }
  EXPECT_FALSE(DecodeSessionRecord(record + "x", "uid 1 machine m").has_value());
  // An older (or later) format.
  ByteArray other_version = record;
  other_version.replace(other_version.find(" 1\n"), 3, " 0\n");
  EXPECT_FALSE(DecodeSessionRecord(other_version, "uid 1 machine m").has_value());
  // A length that does not fit the jar, or a damaged one.
  ByteArray longer = record;
  longer.replace(longer.find("length "), 9, "length 99");
  EXPECT_FALSE(DecodeSessionRecord(longer, "uid 1 machine m").has_value());
  ByteArray signed_length = record;
  signed_length.replace(signed_length.find("length ") + 7, 1, "-");
  EXPECT_FALSE(DecodeSessionRecord(signed_length, "uid 1 machine m").has_value());
  // A line break inside the jar is no jar.
  const ByteArray broken = EncodeSessionRecord("o", "SUB=a\nSUBP=b");
  EXPECT_FALSE(DecodeSessionRecord(broken, "o").has_value());
  EXPECT_FALSE(DecodeSessionRecord("", "o").has_value());
}

}  // namespace
}  // namespace weibo
