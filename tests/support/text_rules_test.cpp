// The shared text rules, the JSON reader and the millisecond timestamp.
#include "support/text_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "support/json_reply.h"
#include "support/timestamp.h"

namespace weibo {
namespace {

// "浅" in code page 936 is C7 B3; "淺" is 9C 5C and "嘰" 87 5C: their second
// byte is "\".
const Text kQian = "\xC7\xB3";
const Text kTradQian = "\x9C\x5C";
const Text kFullSpace = "\xA1\xA1";

TEST(TextFind, StepsOverTwoByteCharactersAndFoldsCaseWhenAsked) {
  EXPECT_EQ(TextFind("abcabc", "bc", 3), 5);
  EXPECT_EQ(TextFind("abc", ""), -1);
  EXPECT_EQ(TextFind("abc", "a", 0), -1);
  // The "\" inside 淺 is the trail byte of a character, never a match.
  EXPECT_EQ(TextFind(kTradQian + "\\", "\\"), 3);
  // B3 ( must not be found inside C7 B3 followed by "(".
  EXPECT_EQ(TextFind(kQian + "(", "\xB3("), -1);
  EXPECT_EQ(TextFind("Set-Cookie: a", "set-cookie:"), -1);
  EXPECT_EQ(TextFind("Set-Cookie: a", "set-cookie:", 1, true), 1);
  // A full-width capital (A3 C1) is not folded to its small form (A3 E1).
  EXPECT_EQ(TextFind("\xA3\xC1", "\xA3\xE1", 1, true), -1);
  EXPECT_EQ(AsciiUpper("abc" + kQian), "ABC" + kQian);
}

TEST(TextFind, OnlyALeadByteBeforeATrailByteMakesATwoByteCharacter) {
  // 0x80 is the euro sign, a character of its own: the byte after it is
  // never swallowed, whatever it is.
  EXPECT_EQ(CharLength("\x80\x80", 0), 1u);
  EXPECT_EQ(TextFind("\x80;x", ";"), 2);
  EXPECT_EQ(TextFind("\x80\\", "\\"), 2);
  EXPECT_EQ(TextFind("\x80\xA1\xA1", "\xA1\xA1"), 2);
  EXPECT_EQ(TrimSpaces("\x80 "), "\x80");
  EXPECT_EQ(TrimSpaces("\x80\xA1\xA1"), "\x80");
  EXPECT_EQ(TextToInteger("\x80" "5"), 0);
  // A lead byte before a byte that cannot trail it, and 0xFF, stand alone.
  EXPECT_EQ(TextFind("\x81;\x81\x7F", ";"), 2);
  EXPECT_EQ(TextFind("\x81;\x81\x7F", "\x7F"), 4);
  EXPECT_EQ(TextFind("\xFF" "A", "A"), 2);
  EXPECT_EQ(RemoveSpaces("\xFE a"), "\xFE" "a");
  // A lead byte before a trail byte still hides it: 81 40 and 81 FE.
  EXPECT_EQ(TextFind("\x81@", "@"), -1);
  EXPECT_EQ(TextFind("\x81\xFE\xFE", "\xFE"), 3);
  // A GB18030 four-byte sequence (an emoji) is recognised by its shape only.
  EXPECT_TRUE(IsFourByteSequence("x\x94\x39\xFC\x36", 1));
  EXPECT_FALSE(IsFourByteSequence("\x94\x39\xFC", 0));
  EXPECT_FALSE(IsFourByteSequence("\x80\x39\xFC\x36", 0));
}

TEST(TrimSpaces, RemovesAsciiAndFullWidthSpacesOnly) {
  EXPECT_EQ(TrimSpaces(kFullSpace + " a b" + kFullSpace), "a b");
  EXPECT_EQ(TrimSpaces("\ta\r\n"), "\ta\r\n");
  // B0 A1 is one character and the last A1 stands alone: it must not pair
  // with the trail byte before it to form a full-width space.
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(RemoveSpaces(" a =" + kFullSpace + "b; c"), "a=b;c");
  EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1\xA1"), "\xB0\xA1\xA1");
  // Taking out the space joins two stray A1 bytes into a full-width space,
  // which goes too.
  EXPECT_EQ(RemoveSpaces("a=\xA1 \xA1;b"), "a=;b");
}

TEST(TextParts, CountBytesAndStopAtTheEnd) {
  EXPECT_EQ(TextLeft("ab", 5), "ab");
  EXPECT_EQ(TextRight("a=deleted", 8), "=deleted");
  EXPECT_EQ(TextRight("ab", -1), "");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMid("abcdef", 5), "ef");
  EXPECT_EQ(TextMid("abcdef", 0, 1), "");
}

TEST(TextToInteger, ReadsSignAndLeadingDigits) {
  EXPECT_EQ(TextToInteger("-12ab"), -12);
  EXPECT_EQ(TextToInteger("x12"), 0);
  // Full-width digits count: "８０" is A3 B8 A3 B0.
  EXPECT_EQ(TextToInteger("1\xA3\xB8\xA3\xB0/"), 180);
  EXPECT_EQ(TextToInteger("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TextToInteger("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
}

std::int64_t ClockMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// True when MillisecondTimestamp gives 13 digits of the clock.
bool StampMatchesTheClock() {
  const std::int64_t low = ClockMilliseconds();
  const Text stamp = MillisecondTimestamp();
  const std::int64_t high = ClockMilliseconds();
  if (stamp.size() != 13 || stamp.find_first_not_of("0123456789") != Text::npos) return false;
  return std::stoll(stamp) >= low && std::stoll(stamp) <= high;
}

TEST(MillisecondTimestamp, DigitsOfTheClockOnEveryThread) {
  EXPECT_TRUE(StampMatchesTheClock()) << MillisecondTimestamp();
  std::vector<int> bad(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&bad, t] {
      for (int i = 0; i < 200; ++i) bad[t] += StampMatchesTheClock() ? 0 : 1;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : bad) EXPECT_EQ(count, 0);
}

const Text kUnused = "\xCE\xB4\xCA\xB9\xD3\xC3";  // 未使用
const Text kJi = "\x87\x5C";                      // 嘰, second byte "\"

// The text of member `key` of the document parsed from `json`.
Text MemberText(const Text& json, const Text& key) {
  JsonNode document;
  JsonParse(document, json);
  return JsonText(JsonMember(document, key));
}

TEST(JsonParse, TextThatIsNoJsonLeavesAnEmptyDocument) {
  for (const Text& text : {Text(), Text("<html><body>502 Bad Gateway</body></html>"), Text("{\"a\":")}) {
    JsonNode document;
    ASSERT_TRUE(JsonParse(document, "{\"a\":1}"));
    EXPECT_FALSE(JsonParse(document, text)) << text;
    EXPECT_TRUE(document.IsEmpty());
    EXPECT_EQ(JsonText(JsonMember(document, "a")), "0");
    EXPECT_EQ(JsonLength(document), 0);
  }
  // A zero byte ends the text.
  JsonNode document;
  EXPECT_FALSE(JsonParse(document, Text("{\"a\":1", 6) + Text("\0}", 2)));
}

TEST(JsonLookup, WrongContainersAndMissingValuesGiveEmptyNodes) {
  JsonNode document;
  ASSERT_TRUE(JsonParse(document, R"({"list":[1,"two",{"x":3}],"name":"n","nothing":null})"));
  JsonNode list = JsonMember(document, "list");
  EXPECT_EQ(JsonLength(list), 3);
  EXPECT_EQ(JsonText(JsonElement(list, 1)), "two");
  EXPECT_EQ(JsonText(JsonMember(JsonElement(list, 2), "x")), "3");
  EXPECT_TRUE(JsonElement(list, 3).IsEmpty());
  // Members of an array or a string, elements of an object.
  EXPECT_EQ(JsonText(JsonMember(list, "x")), "0");
  EXPECT_EQ(JsonText(JsonMember(JsonMember(document, "name"), "x")), "0");
  EXPECT_TRUE(JsonElement(document, 0).IsEmpty());
  // Containers read as empty text; null and missing members as "0".
  EXPECT_EQ(JsonText(list), "");
  EXPECT_EQ(JsonText(JsonMember(document, "nothing")), "0");
  EXPECT_EQ(JsonText(JsonMember(document, "missing")), "0");
  // Keys match case-sensitively; when a key repeats, the last one wins.
  EXPECT_EQ(MemberText(R"({"Name":"a"})", "name"), "0");
  EXPECT_EQ(MemberText(R"({"k":"first","k":"last"})", "k"), "last");
}

TEST(JsonText, NumbersAndTruthValues) {
  const Text json = R"({"retcode":20000000,"quoted":"20000000","half":1.50,
      "umax":18446744073709551615,"exp":1e2,"pi":3.14159265358979,"yes":true})";
  JsonNode document;
  ASSERT_TRUE(JsonParse(document, json));
  EXPECT_EQ(JsonText(JsonMember(document, "retcode")), "20000000");
  EXPECT_EQ(JsonText(JsonMember(document, "quoted")), "20000000");
  EXPECT_EQ(JsonText(JsonMember(document, "half")), "1.5");
  EXPECT_EQ(JsonText(JsonMember(document, "umax")), "18446744073709551615");
  EXPECT_EQ(JsonText(JsonMember(document, "exp")), "100");
  EXPECT_EQ(JsonText(JsonMember(document, "pi")), "3.14159265359");
  EXPECT_EQ(JsonText(JsonMember(document, "yes")), "\xD5\xE6");  // 真
  EXPECT_EQ(JsonValue(JsonMember(document, "exp")).kind, JsonTypedValue::Kind::kNumber);
  EXPECT_EQ(JsonValue(JsonMember(document, "quoted")).kind, JsonTypedValue::Kind::kText);
}

TEST(JsonText, RawCodePageBytesPassThroughUnchanged) {
  // 淺 and 嘰 end in 0x5C; read as JSON escapes they would swallow the
  // closing quote or turn "\" + "u" into an escape.
  EXPECT_EQ(MemberText("{\"c\":\"" + kTradQian + "\",\"d\":1}", "c"), kTradQian);
  EXPECT_EQ(MemberText("{\"c\":\"" + kTradQian + "\",\"d\":1}", "d"), "1");
  EXPECT_EQ(MemberText("{\"c\":\"" + kJi + "u672A\"}", "c"), kJi + "u672A");
  EXPECT_EQ(MemberText("{\"c\":\"\x80 5\"}", "c"), "\x80 5");  // the euro sign
  // Keys: raw and escaped spellings of the same key are one key.
  EXPECT_EQ(MemberText("{\"" + kTradQian + "\":\"v\"}", kTradQian), "v");
  EXPECT_EQ(MemberText("{\"" + kUnused + "\":1,\"\\u672a\\u4F7F\\u7528\":2}", kUnused), "2");
  // A raw multi-byte character outside a string is no JSON.
  JsonNode document;
  EXPECT_FALSE(JsonParse(document, "{\"a\":" + kTradQian + "}"));
}

TEST(JsonText, EscapesDecodeToGb18030) {
  EXPECT_EQ(MemberText(R"({"s":"\u672A\u4f7f\u7528"})", "s"), kUnused);
  EXPECT_EQ(MemberText(R"({"s":"a\u0041\n\t\"\\\/b"})", "s"), "aA\n\t\"\\/b");
  // Characters code page 936 lacks take their GB18030 bytes: the euro sign,
  // a private-use character (never confused with a raw byte) and an emoji.
  EXPECT_EQ(MemberText(R"({"s":"\u20AC"})", "s"), "\xA2\xE3");
  EXPECT_EQ(MemberText(R"({"s":"\uE041"})", "s"), "\xAA\xE2");
  EXPECT_EQ(MemberText(R"({"s":"\ud83d\ude00!"})", "s"), "\x94\x39\xFC\x36!");
  EXPECT_EQ(MemberText(R"({"s":"\ud83dx"})", "s"), "?x");
  EXPECT_EQ(MemberText(R"({"s":"\\u672A"})", "s"), "\\u672A");
  EXPECT_EQ(MemberText(R"({"s":"ab\u0000cd"})", "s"), "ab");  // a \u0000 ends the text
}

TEST(JsonNode, NodesHoldTheirOwnReferences) {
  JsonNode document;
  ASSERT_TRUE(JsonParse(document, R"({"data":{"image":"qr.png","list":[10,20]}})"));
  JsonNode data = JsonMember(document, "data");
  JsonNode second = JsonElement(JsonMember(data, "list"), 1);
  // The document parsed again, then released twice: the nodes still read.
  ASSERT_TRUE(JsonParse(document, R"({"other":1})"));
  JsonRelease(document);
  JsonRelease(document);
  EXPECT_EQ(JsonText(JsonMember(data, "image")), "qr.png");
  EXPECT_EQ(JsonText(second), "20");
  // Copies share the value; releasing one leaves the other.
  JsonNode copy = data;
  JsonRelease(data);
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_EQ(JsonText(JsonMember(copy, "image")), "qr.png");
}

}  // namespace
}  // namespace weibo
