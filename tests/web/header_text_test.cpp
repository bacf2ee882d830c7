#include "web/header_text.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

using Pieces = std::vector<Text>;

TEST(HeaderTextTest, TextBetweenAndHeaderValue) {
  EXPECT_EQ(TextBetween("user-agent: X/1\r\nA: b", "User-Agent:", "\r\n"), " X/1");
  EXPECT_EQ(TextBetween("[ab][cd]", "[", "]"), "ab");
  // The right marker is looked for only after the left one.
  EXPECT_EQ(TextBetween("]x[y", "[", "]"), "");
  // A marker never matches across the two bytes of a character: B0 5B is
  // one character, so the first "[" is the one after it.
  EXPECT_EQ(TextBetween("\xB0[x[y]", "[", "]"), "y");

  EXPECT_EQ(HeaderValue("Location: http://h/p:1"), "http://h/p:1");
  EXPECT_EQ(HeaderValue("Name:\xA1\xA1 v \xA1\xA1"), "v");  // full-width spaces trimmed
  EXPECT_EQ(HeaderValue("Name:\tv\r"), "\tv\r");            // tab and CR are not spaces
  EXPECT_EQ(HeaderValue("no colon"), "");
}

TEST(HeaderTextTest, SplitTextKeepsInnerEmptyPiecesAndDropsTrailingOne) {
  EXPECT_EQ(SplitText("", ";"), Pieces{});
  EXPECT_EQ(SplitText("a;;b;", ";"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(SplitText(";", ";"), Pieces{""});
  // Character by character: B0 3B is one character, its ";" is no separator.
  EXPECT_EQ(SplitText("x\xB0;y;z", ";"), (Pieces{"x\xB0;y", "z"}));
}

TEST(HeaderTextTest, SplitBytesSeesSeparatorAfterHighByte) {
  const Text block = "HTTP/1.1 200 OK\r\nX-Name: \xD6\xD0\xB0\r\nSet-Cookie: k=v\r\n\r\n";
  EXPECT_EQ(SplitBytes(block, "\r\n"),
            (Pieces{"HTTP/1.1 200 OK", "X-Name: \xD6\xD0\xB0", "Set-Cookie: k=v", ""}));
  // The character-stepping split merges those two lines: that is why header
  // blocks are split as bytes.
  EXPECT_EQ(SplitText(block, "\r\n").size(), 3u);
  EXPECT_EQ(SplitBytes("", "\r\n"), Pieces{});
}

}  // namespace
}  // namespace weibo
