// Whether a reply's body is a picture: its leading bytes are those of a
// format the service serves, and its Content-Type, when it has one, does not
// call it something else. A sign-in or error page answered with status 200
// must never be saved under a picture's name.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The number of leading bytes LooksLikePicture needs to decide; fewer are
// enough only for a body that is shorter.
inline constexpr std::size_t kPictureSignatureBytes = 12;

// True when `leading` (the first bytes of a body, up to
// kPictureSignatureBytes) begins as JPEG, PNG, GIF, WebP or BMP does.
bool LooksLikePicture(std::string_view leading);

// True unless the Content-Type of the header block `raw_headers` (lines
// ended by CR LF) names a type that is not a picture: text, HTML, JSON, XML
// or script. No Content-Type, image types and the generic binary types pass.
bool ContentTypeAllowsPicture(std::string_view raw_headers);

}  // namespace weibo
