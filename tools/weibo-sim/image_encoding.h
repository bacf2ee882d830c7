// Encoders for rasters: JPEG and PNG through Qt (image_qt.cpp), GIF through
// the project's own small encoder (gif_encoder.cpp), QR module matrices through
// libqrencode (qr_code.cpp). All pure and thread-safe; the same input always
// gives the same bytes.
#pragma once

#include <string_view>
#include <vector>

#include "support/text_rules.h"
#include "tools/weibo-sim/raster.h"

namespace weibo::sim {

// Empty on failure.
ByteArray EncodeJpeg(const Raster& raster, int quality);
ByteArray EncodePng(const Raster& raster);
// A GIF89a with a 256-colour global table (the web palette) and one
// LZW-compressed image.
ByteArray EncodeGif(const Raster& raster);

// The QR code of `text` (error correction level M): fills `dark` with
// `*modules` x `*modules` values. False when the text cannot be encoded.
bool EncodeQr(std::string_view text, std::vector<bool>* dark, int* modules);

}  // namespace weibo::sim
