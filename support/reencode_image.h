// Re-encoding of picture bytes into a fixed file format, in memory.
#pragma once

#include <cstdint>

#include "support/picture_fit.h"
#include "support/text_rules.h"

namespace weibo {

// Format codes for ReencodeImage.
enum ImageFormatCode : int {
  kImageBmp = 1,
  kImageJpeg = 2,  // written at the encoder's default quality
  kImageGif = 3,   // no GIF encoder here: always fails
  kImageTiff = 4,  // works only where a TIFF encoder is installed
  kImagePng = 5,
};

// Decodes `source_bytes` (PNG, JPEG, GIF, BMP and whatever else the image
// codecs read; the first frame of an animation) and encodes the picture again
// in the format `format_code` names. On success stores exactly the encoded
// file in `*target_bytes` and returns true. Returns false and leaves
// `*target_bytes` exactly as it was when the bytes are no picture, the code is
// unknown or no encoder for it is available. Needs no display and no
// application object; safe to call from several threads at once.
bool ReencodeImage(const ByteArray& source_bytes, int format_code, ByteArray* target_bytes);

// Pictures with more pixels than this are not decoded by FitAndReencodeImage
// (a small file can stand for a picture too large for the address space).
inline constexpr std::int64_t kMaxFittedSourcePixels = std::int64_t{16} << 20;

// ReencodeImage of the picture shrunk to fit `box` (ShrinkToFit: kept as it
// is when it fits). False as there, and also for a picture of more than
// kMaxFittedSourcePixels pixels. Any thread.
bool FitAndReencodeImage(const ByteArray& source_bytes, PictureSize box, int format_code,
                         ByteArray* target_bytes);

// Loads the image codecs once, so that the first re-encoding does not pay for
// it, and reports whether BMP and JPEG can be written. Optional: re-encoding
// works without it. Meant for the application's imaging start-up.
bool StartImageCodecs();

}  // namespace weibo
