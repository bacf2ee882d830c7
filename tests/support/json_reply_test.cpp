#include "support/json_reply.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

const Text kTrue = "\xD5\xE6";                       // 真
const Text kFalse = "\xBC\xD9";                      // 假
const Text kUnused = "\xCE\xB4\xCA\xB9\xD3\xC3";     // 未使用
const Text kTradQian = "\x9C\x5C";                   // 淺, second byte "\"
const Text kJi = "\x87\x5C";                         // 嘰, second byte "\"
const Text kColour = "\xC9\xAB";                     // 色

// The text of member `key` of the document parsed from `json`.
Text MemberText(const Text& json, const Text& key) {
  JsonNode document;
  JsonParse(document, json);
  return JsonText(JsonMember(document, key));
}

TEST(JsonParse, TextThatIsNoJsonLeavesAnEmptyDocument) {
  for (const Text& text : {Text(), Text("<html><body>502 Bad Gateway</body></html>"), Text("{\"a\":"),
                           Text("   ")}) {
    JsonNode document;
    ASSERT_TRUE(JsonParse(document, "{\"a\":1}"));
    EXPECT_FALSE(JsonParse(document, text)) << text;
    EXPECT_TRUE(document.IsEmpty());
    EXPECT_EQ(JsonText(JsonMember(document, "a")), "0");
    EXPECT_EQ(JsonLength(document), 0);
    EXPECT_EQ(JsonText(document), "0");
  }
  JsonNode document;
  EXPECT_TRUE(JsonParse(document, "null"));
  EXPECT_TRUE(document.IsEmpty());
  EXPECT_TRUE(JsonParse(document, "7"));
  EXPECT_EQ(JsonText(document), "7");
  // A zero byte ends the text.
  EXPECT_FALSE(JsonParse(document, Text("{\"a\":1", 6) + Text("\0}", 2)));
}

TEST(JsonLookup, WrongContainersAndMissingValuesGiveEmptyNodes) {
  JsonNode document;
  ASSERT_TRUE(JsonParse(document, R"({"list":[1,"two",{"x":3}],"name":"n","obj":{},"nothing":null})"));
  JsonNode list = JsonMember(document, "list");
  EXPECT_EQ(JsonLength(list), 3);
  EXPECT_EQ(JsonText(JsonElement(list, 0)), "1");
  EXPECT_EQ(JsonText(JsonElement(list, 1)), "two");
  EXPECT_EQ(JsonText(JsonMember(JsonElement(list, 2), "x")), "3");
  EXPECT_TRUE(JsonElement(list, 3).IsEmpty());
  EXPECT_TRUE(JsonElement(list, -1).IsEmpty());
  EXPECT_EQ(JsonText(JsonElement(list, 3)), "0");
  // Members of an array or a string, elements of an object.
  EXPECT_EQ(JsonText(JsonMember(list, "x")), "0");
  EXPECT_EQ(JsonText(JsonMember(JsonMember(document, "name"), "x")), "0");
  EXPECT_TRUE(JsonElement(document, 0).IsEmpty());
  EXPECT_EQ(JsonLength(document), 0);
  EXPECT_EQ(JsonLength(JsonMember(document, "name")), 0);
  // Containers read as empty text; null and missing members as "0".
  EXPECT_EQ(JsonText(list), "");
  EXPECT_EQ(JsonText(JsonMember(document, "obj")), "");
  EXPECT_EQ(JsonValue(list).kind, JsonTypedValue::Kind::kNone);
  EXPECT_TRUE(JsonMember(document, "nothing").IsEmpty());
  EXPECT_EQ(JsonText(JsonMember(document, "nothing")), "0");
  EXPECT_EQ(JsonText(JsonMember(document, "missing")), "0");
  EXPECT_EQ(JsonValue(JsonMember(document, "missing")).kind, JsonTypedValue::Kind::kInteger);
  // Keys match case-sensitively; when a key repeats, the last one wins.
  EXPECT_EQ(MemberText(R"({"Name":"a"})", "name"), "0");
  EXPECT_EQ(MemberText(R"({"k":"first","k":"last"})", "k"), "last");
}

TEST(JsonText, NumbersAndTruthValues) {
  const Text json = R"({"retcode":20000000,"quoted":"20000000","minus":-1,"half":1.50,
      "long":12345678901234567,"max":9223372036854775807,"umax":18446744073709551615,
      "exp":1e2,"pi":3.14159265358979,"tiny":1.5e-300,"yes":true,"no":false})";
  JsonNode document;
  ASSERT_TRUE(JsonParse(document, json));
  EXPECT_EQ(JsonText(JsonMember(document, "retcode")), "20000000");
  EXPECT_EQ(JsonText(JsonMember(document, "quoted")), "20000000");
  EXPECT_EQ(JsonText(JsonMember(document, "minus")), "-1");
  EXPECT_EQ(JsonText(JsonMember(document, "half")), "1.5");
  EXPECT_EQ(JsonText(JsonMember(document, "long")), "12345678901234567");
  EXPECT_EQ(JsonText(JsonMember(document, "max")), "9223372036854775807");
  EXPECT_EQ(JsonText(JsonMember(document, "umax")), "18446744073709551615");
  EXPECT_EQ(JsonText(JsonMember(document, "exp")), "100");
  EXPECT_EQ(JsonText(JsonMember(document, "pi")), "3.14159265359");
  EXPECT_EQ(JsonText(JsonMember(document, "tiny")), "1.5e-300");
  EXPECT_EQ(JsonText(JsonMember(document, "yes")), kTrue);
  EXPECT_EQ(JsonText(JsonMember(document, "no")), kFalse);

  JsonTypedValue integer = JsonValue(JsonMember(document, "long"));
  EXPECT_EQ(integer.kind, JsonTypedValue::Kind::kInteger);
  EXPECT_EQ(integer.integer, 12345678901234567);
  JsonTypedValue number = JsonValue(JsonMember(document, "exp"));
  EXPECT_EQ(number.kind, JsonTypedValue::Kind::kNumber);
  EXPECT_EQ(number.number, 100.0);
  JsonTypedValue truth = JsonValue(JsonMember(document, "no"));
  EXPECT_EQ(truth.kind, JsonTypedValue::Kind::kBoolean);
  EXPECT_FALSE(truth.boolean);
  EXPECT_EQ(JsonValue(JsonMember(document, "quoted")).kind, JsonTypedValue::Kind::kText);
}

TEST(JsonText, RawCodePageBytesPassThroughUnchanged) {
  // 淺 and 嘰 end in 0x5C; read as JSON escapes they would swallow the
  // closing quote or turn "\" + "u" into an escape.
  const Text caption = kTradQian + kColour;
  EXPECT_EQ(MemberText("{\"caption\":\"" + caption + "\"}", "caption"), caption);
  EXPECT_EQ(MemberText("{\"c\":\"" + kTradQian + "\",\"d\":1}", "c"), kTradQian);
  EXPECT_EQ(MemberText("{\"c\":\"" + kTradQian + "\",\"d\":1}", "d"), "1");
  EXPECT_EQ(MemberText("{\"c\":\"" + kJi + "u672A\"}", "c"), kJi + "u672A");
  EXPECT_EQ(MemberText("{\"c\":\"" + kJi + "n\"}", "c"), kJi + "n");
  // The euro sign is the single byte 0x80 in code page 936.
  EXPECT_EQ(MemberText("{\"c\":\"\x80 5\"}", "c"), "\x80 5");
  // Keys: raw and escaped spellings of the same key are one key.
  EXPECT_EQ(MemberText("{\"" + kTradQian + "\":\"v\"}", kTradQian), "v");
  EXPECT_EQ(MemberText("{\"\\u672a\\u4F7F\\u7528\":2}", kUnused), "2");
  EXPECT_EQ(MemberText("{\"" + kUnused + "\":1,\"\\u672a\\u4F7F\\u7528\":2}", kUnused), "2");
  // A raw multi-byte character outside a string is no JSON.
  JsonNode document;
  EXPECT_FALSE(JsonParse(document, "{\"a\":" + kTradQian + "}"));
}

TEST(JsonText, EscapesDecodeToGb18030) {
  EXPECT_EQ(MemberText(R"({"s":"\u672A\u4f7f\u7528"})", "s"), kUnused);
  EXPECT_EQ(MemberText(R"({"s":"\u672A\u4f7f\u7528"})", "s"), MemberText("{\"s\":\"" + kUnused + "\"}", "s"));
  EXPECT_EQ(MemberText(R"({"s":"a\u0041\n\t\"\\\/b"})", "s"), "aA\n\t\"\\/b");
  EXPECT_EQ(MemberText(R"({"s":"\u672A\u0041\u7528"})", "s"), "\xCE\xB4" "A" "\xD3\xC3");
  // Characters code page 936 lacks take their GB18030 bytes: the euro sign,
  // a private-use character (never confused with a raw byte) and an emoji.
  EXPECT_EQ(MemberText(R"({"s":"\u20AC"})", "s"), "\xA2\xE3");
  EXPECT_EQ(MemberText(R"({"s":"\uE041\uE0FF"})", "s"), "\xAA\xE2\xAC\xE4");
  EXPECT_EQ(MemberText(R"({"s":"\ud83d\ude00!"})", "s"), "\x94\x39\xFC\x36!");
  EXPECT_EQ(MemberText(R"({"s":"\ud83dx"})", "s"), "?x");
  // An escaped backslash before "u" is no escape.
  EXPECT_EQ(MemberText(R"({"s":"\\u672A"})", "s"), "\\u672A");
  // A \u0000 ends the text.
  EXPECT_EQ(MemberText(R"({"s":"ab\u0000cd"})", "s"), "ab");
  JsonNode document;
  EXPECT_FALSE(JsonParse(document, R"({"s":"\u67"})"));
  EXPECT_FALSE(JsonParse(document, R"({"s":"\q"})"));
}

TEST(JsonNode, NodesHoldTheirOwnReferences) {
  JsonNode document;
  ASSERT_TRUE(JsonParse(document, R"({"data":{"image":"qr.png","list":[10,20]}})"));
  JsonNode data = JsonMember(document, "data");
  JsonNode list = JsonMember(data, "list");
  JsonNode second = JsonElement(list, 1);
  // The document parsed again, then released: the nodes still read.
  ASSERT_TRUE(JsonParse(document, R"({"other":1})"));
  JsonRelease(document);
  JsonRelease(document);
  EXPECT_TRUE(document.IsEmpty());
  EXPECT_EQ(JsonText(JsonMember(data, "image")), "qr.png");
  EXPECT_EQ(JsonText(second), "20");
  // Copies share the value; releasing one leaves the other.
  JsonNode copy = data;
  JsonRelease(data);
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_EQ(JsonText(JsonMember(copy, "image")), "qr.png");
  JsonNode moved = std::move(copy);
  EXPECT_EQ(JsonLength(JsonMember(moved, "list")), 2);
  copy = moved;
  moved = JsonNode();
  EXPECT_EQ(JsonText(JsonElement(JsonMember(copy, "list"), 0)), "10");
}

}  // namespace
}  // namespace weibo
