#include "support/reencode_image.h"

#include <utility>

#include "support/image_codec.h"

namespace weibo {
namespace {

// The encoder format name for a format code, or null for an unknown code.
const char* FormatName(int format_code) {
  switch (format_code) {
    case kImageBmp: return "BMP";
    case kImageJpeg: return "JPEG";
    case kImageGif: return "GIF";
    case kImageTiff: return "TIFF";
    case kImagePng: return "PNG";
    default: return nullptr;
  }
}

}  // namespace

bool ReencodeImage(const ByteArray& source_bytes, int format_code, ByteArray* target_bytes) {
  const char* format = FormatName(format_code);
  if (format == nullptr || target_bytes == nullptr) return false;
  // Encode into a fresh array so that a failure leaves the target as it was.
  ByteArray encoded;
  if (!DecodeAndEncodeImage(source_bytes, format, &encoded)) return false;
  *target_bytes = std::move(encoded);
  return true;
}

bool FitAndReencodeImage(const ByteArray& source_bytes, PictureSize box, int format_code,
                         ByteArray* target_bytes) {
  const char* format = FormatName(format_code);
  if (format == nullptr || target_bytes == nullptr) return false;
  ByteArray encoded;
  if (!DecodeFitAndEncodeImage(source_bytes, box, kMaxFittedSourcePixels, format, &encoded)) {
    return false;
  }
  *target_bytes = std::move(encoded);
  return true;
}

bool StartImageCodecs() { return CanEncodeImage("BMP") && CanEncodeImage("JPEG"); }

}  // namespace weibo
