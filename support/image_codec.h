// The image codec layer behind ReencodeImage (Qt's QImage).
#pragma once

#include <cstdint>
#include <string_view>

#include "support/picture_fit.h"
#include "support/text_rules.h"

namespace weibo {

// Decodes `source` and encodes it as `format` ("BMP", "JPEG", "PNG", ...),
// appending the encoded file to `*encoded`. Returns false when the source
// is no picture or the encoder fails or does not exist; `*encoded` may then
// hold partial output. Thread-safe.
bool DecodeAndEncodeImage(std::string_view source, const char* format, ByteArray* encoded);

// Like DecodeAndEncodeImage, but a picture larger than `box` is shrunk to
// fit it (ShrinkToFit) before it is encoded, and a picture of more than
// `max_pixels` pixels is refused before it is decoded whole. Thread-safe.
bool DecodeFitAndEncodeImage(std::string_view source, PictureSize box, std::int64_t max_pixels,
                             const char* format, ByteArray* encoded);

// True when an encoder for `format` is available and works; loads it on
// first use. Thread-safe.
bool CanEncodeImage(const char* format);

}  // namespace weibo
