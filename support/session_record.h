// The bytes of a kept session: a header naming the format and the owner the
// session was kept for, the cookie jar's length, and the jar. A store writes
// these bytes (encrypted where the platform can) and reads them back through
// DecodeSessionRecord, which accepts only a complete record of the current
// format for the same owner.
#pragma once

#include <optional>

#include "support/text_rules.h"

namespace weibo {

// `owner` names the operating-system user and machine the session belongs
// to (a store's own choice; no line breaks). `cookie_jar` holds no line
// breaks or NUL bytes (a cookie jar never does).
ByteArray EncodeSessionRecord(const Text& owner, const Text& cookie_jar);

// The jar of `record`; nothing when the record is damaged or cut short, of
// another format version, or kept for another owner.
std::optional<Text> DecodeSessionRecord(const ByteArray& record, const Text& owner);

}  // namespace weibo
