#include "support/json_reply.h"

#include <json-c/json.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

#include "support/json_code_page.h"

namespace weibo {

// Reaches into a node for the routines below; takes or borrows references.
struct JsonNodeAccess {
  static json_object* Get(const JsonNode& node) { return node.value_; }
  // A node that takes over one reference the caller already holds.
  static JsonNode Adopt(json_object* value) {
    JsonNode node;
    node.value_ = value;
    return node;
  }
  // A node with a reference of its own to a value another node holds.
  static JsonNode Share(json_object* value) { return Adopt(value ? json_object_get(value) : nullptr); }
};

namespace {

constexpr const char* kTrueText = "\xD5\xE6";   // 真
constexpr const char* kFalseText = "\xBC\xD9";  // 假

struct TokenerFree {
  void operator()(json_tokener* tokener) const { json_tokener_free(tokener); }
};

// The whole string value of `value`, which may hold zero bytes.
std::string_view StringOf(json_object* value) {
  return std::string_view(json_object_get_string(value),
                          static_cast<std::size_t>(json_object_get_string_len(value)));
}

// An integer as exact decimal text. json-c keeps values from 2^63 up to
// 2^64 - 1 unsigned and saturates beyond that.
Text IntegerText(json_object* value) {
  std::int64_t integer = json_object_get_int64(value);
  if (integer == std::numeric_limits<std::int64_t>::max()) {
    return std::to_string(json_object_get_uint64(value));
  }
  return std::to_string(integer);
}

Text NumberText(double number) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", number);
  return buffer;
}

// A text ends at its first zero byte.
Text UpToZero(Text text) {
  std::size_t zero = text.find('\0');
  if (zero != Text::npos) text.resize(zero);
  return text;
}

}  // namespace

JsonNode::~JsonNode() { json_object_put(value_); }

JsonNode::JsonNode(const JsonNode& other) : value_(other.value_ ? json_object_get(other.value_) : nullptr) {}

JsonNode& JsonNode::operator=(const JsonNode& other) {
  if (this != &other) {
    JsonNode copy(other);
    std::swap(value_, copy.value_);
  }
  return *this;
}

JsonNode::JsonNode(JsonNode&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}

JsonNode& JsonNode::operator=(JsonNode&& other) noexcept {
  if (this != &other) {
    json_object_put(value_);
    value_ = std::exchange(other.value_, nullptr);
  }
  return *this;
}

bool JsonParse(JsonNode& document, const Text& text) {
  JsonRelease(document);
  std::string form = JsonToParserForm(std::string_view(text.c_str()));
  std::unique_ptr<json_tokener, TokenerFree> tokener(json_tokener_new());
  if (!tokener || form.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
  // The length takes in the closing zero byte, which ends a bare number.
  json_object* root = json_tokener_parse_ex(tokener.get(), form.c_str(), static_cast<int>(form.size() + 1));
  if (json_tokener_get_error(tokener.get()) != json_tokener_success) {
    json_object_put(root);
    return false;
  }
  document = JsonNodeAccess::Adopt(root);
  return true;
}

JsonNode JsonMember(const JsonNode& node, const Text& key) {
  json_object* object = JsonNodeAccess::Get(node);
  if (!json_object_is_type(object, json_type_object)) return JsonNode();
  json_object* member = nullptr;
  if (!json_object_object_get_ex(object, KeyToParserForm(key.c_str()).c_str(), &member)) return JsonNode();
  return JsonNodeAccess::Share(member);
}

int JsonLength(const JsonNode& node) {
  json_object* array = JsonNodeAccess::Get(node);
  if (!json_object_is_type(array, json_type_array)) return 0;
  return static_cast<int>(json_object_array_length(array));
}

bool JsonIsArray(const JsonNode& node) {
  return json_object_is_type(JsonNodeAccess::Get(node), json_type_array);
}

JsonNode JsonElement(const JsonNode& node, int index) {
  if (index < 0 || index >= JsonLength(node)) return JsonNode();
  json_object* array = JsonNodeAccess::Get(node);
  return JsonNodeAccess::Share(json_object_array_get_idx(array, static_cast<std::size_t>(index)));
}

JsonTypedValue JsonValue(const JsonNode& node) {
  JsonTypedValue result;
  json_object* value = JsonNodeAccess::Get(node);
  switch (json_object_get_type(value)) {
    case json_type_null:
      break;
    case json_type_int:
      result.integer = json_object_get_int64(value);
      break;
    case json_type_double:
      result.kind = JsonTypedValue::Kind::kNumber;
      result.number = json_object_get_double(value);
      break;
    case json_type_boolean:
      result.kind = JsonTypedValue::Kind::kBoolean;
      result.boolean = json_object_get_boolean(value) != 0;
      break;
    case json_type_string:
      result.kind = JsonTypedValue::Kind::kText;
      result.text = UpToZero(ParserFormToText(StringOf(value)));
      break;
    case json_type_object:
    case json_type_array:
      result.kind = JsonTypedValue::Kind::kNone;
      break;
  }
  return result;
}

Text JsonText(const JsonNode& node) {
  json_object* value = JsonNodeAccess::Get(node);
  if (json_object_is_type(value, json_type_int)) return IntegerText(value);
  JsonTypedValue typed = JsonValue(node);
  switch (typed.kind) {
    case JsonTypedValue::Kind::kInteger:
      return std::to_string(typed.integer);
    case JsonTypedValue::Kind::kNumber:
      return NumberText(typed.number);
    case JsonTypedValue::Kind::kBoolean:
      return typed.boolean ? kTrueText : kFalseText;
    case JsonTypedValue::Kind::kText:
      return typed.text;
    case JsonTypedValue::Kind::kNone:
      break;
  }
  return Text();
}

void JsonRelease(JsonNode& node) { node = JsonNode(); }

}  // namespace weibo
