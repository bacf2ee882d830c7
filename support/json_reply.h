// Read access to the service's JSON replies.
//
// A JsonNode owns one reference to a parsed value, or holds nothing (an
// empty node). Copying a node takes another reference; destroying it or
// calling JsonRelease drops its own. Nodes taken out of a document keep their
// value alive after the document is released or parsed again.
//
// Lookups never fail: a missing member, a container of the wrong kind, an
// index past the end or a document that did not parse all give an empty
// node, and an empty node reads as the integer 0, that is as the text "0".
// A member holding JSON null reads exactly like a missing one.
//
// Texts: the JSON handed to JsonParse is code page 936 and string values come
// out in code page 936. Raw bytes inside strings pass through unchanged (also
// two-byte characters whose second byte is 0x5C); a \uXXXX escape becomes one
// byte below 0x80 and the GB18030 bytes of its character otherwise, so escaped
// and unescaped Chinese compare equal. Member keys are matched byte for byte
// under the same rule.
//
// Threading: the reference count is not atomic. A document and every node
// taken from it (and every copy of those) stay on one thread; different
// documents may be used on different threads at once.
#pragma once

#include <cstdint>

#include "support/text_rules.h"

struct json_object;

namespace weibo {

class JsonNode {
 public:
  JsonNode() = default;
  ~JsonNode();
  JsonNode(const JsonNode& other);
  JsonNode& operator=(const JsonNode& other);
  JsonNode(JsonNode&& other) noexcept;
  JsonNode& operator=(JsonNode&& other) noexcept;

  // True when the node holds no value.
  bool IsEmpty() const { return value_ == nullptr; }

 private:
  friend struct JsonNodeAccess;
  json_object* value_ = nullptr;
};

// What JsonValue reads from a node. Only the field of `kind` is meaningful.
struct JsonTypedValue {
  enum class Kind {
    kInteger,  // an empty node (value 0) or a JSON integer
    kNumber,   // a JSON number with a fraction or an exponent
    kBoolean,  // true / false
    kText,     // a JSON string, in code page 936
    kNone,     // a JSON object or array
  };
  Kind kind = Kind::kInteger;
  std::int64_t integer = 0;  // integers past the 64-bit range saturate
  double number = 0.0;
  bool boolean = false;
  Text text;
};

// Releases what `document` held and parses `text` (one JSON value) into it.
// Returns false, with `document` empty, when the text is not JSON. "null"
// parses successfully into an empty document. Text after the first complete
// value is ignored. A zero byte ends the text.
bool JsonParse(JsonNode& document, const Text& text);

// The value stored under `key` when `node` holds an object, else an empty
// node. Keys match byte for byte; when an object repeats a key, the last
// occurrence wins.
JsonNode JsonMember(const JsonNode& node, const Text& key);

// The number of elements when `node` holds an array, else 0.
int JsonLength(const JsonNode& node);

// True when `node` holds an array (also an empty one).
bool JsonIsArray(const JsonNode& node);

// The element at 0-based `index` when `node` holds an array and
// 0 <= index < length, else an empty node.
JsonNode JsonElement(const JsonNode& node, int index);

// The node's value as a tagged value (see JsonTypedValue).
JsonTypedValue JsonValue(const JsonNode& node);

// The node's value as text: integers as exact decimals, other numbers as
// "%.13g", true/false as "真"/"假", strings as their characters, objects and
// arrays as empty text, an empty node as "0".
Text JsonText(const JsonNode& node);

// Drops the node's reference (freeing the value when no other node holds
// it) and leaves the node empty. Releasing an empty node does nothing.
void JsonRelease(JsonNode& node);

}  // namespace weibo
