#include "support/json_reply.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

const Text kUnused = "\xCE\xB4\xCA\xB9\xD3\xC3";  // 未使用
const Text kTradQian = "\x9C\x5C";                // 淺, second byte "\"
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
  EXPECT_TRUE(JsonElement(list, -1).IsEmpty());
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
