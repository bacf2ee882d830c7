// What a photo-list reply says: a list of pictures, a sign-in the service no
// longer accepts, or neither. Only a successful list may be taken as the
// page's pictures; an empty album still answers with a successful, empty
// list.
//
// Pure functions; any thread (a document stays on the thread that parsed it).
#pragma once

#include "support/json_reply.h"
#include "support/text_rules.h"

namespace weibo {

enum class PhotoListVerdict {
  kList,           // "result" is true and "data"."photo_list" is an array
  kSignedOut,      // the service asks for a sign-in ("code" A0001 or "请先登录")
  kNotAList,       // anything else: an error reply, no data, no photo list
};

// Judges the parsed reply `document` (texts in code page 936). With kList,
// `*photo_list` is the "photo_list" node.
PhotoListVerdict JudgePhotoListReply(const JsonNode& document, JsonNode* photo_list);

}  // namespace weibo
