// A small writer for the JSON texts the simulated service sends. It emits
// UTF-8 as given and escapes only what JSON requires, the way web services
// commonly do. Not thread-safe; one writer per reply.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/text_rules.h"

namespace weibo::sim {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The member name of the next value inside an object.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view value);
  JsonWriter& Integer(std::int64_t value);
  JsonWriter& Boolean(bool value);
  JsonWriter& Null();

  const Text& text() const { return text_; }

 private:
  void BeforeValue();

  Text text_;
  bool need_comma_ = false;
};

// `value` as a quoted JSON string.
Text JsonQuote(std::string_view value);

}  // namespace weibo::sim
