// Recognises the status texts that end a download, for tests that wait for
// one: the specified text, or the one that counts failed pictures.
#pragma once

#include "albums/album_texts.h"
#include "support/text_rules.h"

namespace weibo {

inline bool IsFinishingText(const Text& status) {
  return status == kAllPagesDoneText || status.starts_with(kFailedCountPrefix);
}

}  // namespace weibo
