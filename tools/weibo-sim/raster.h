// Pictures as plain RGB pixels, drawn by pure functions so that the encoded
// files come out byte for byte the same on every run. Encoders live in the
// layer files (image_qt.cpp, gif_encoder.cpp).
#pragma once

#include <cstdint>
#include <vector>

namespace weibo::sim {

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top down

  void Set(int x, int y, std::uint32_t colour);
  std::uint32_t At(int x, int y) const;  // 0xRRGGBB
};

// A photo-like picture for `variant`: a diagonal colour gradient with a few
// shapes on it. With `flat` the colours come from the 6x6x6 web palette, as
// a drawing or screenshot would, which suits PNG and GIF.
Raster DrawPhoto(std::uint64_t variant, int width, int height, bool flat);

// A QR module matrix (true = dark) of `modules` x `modules`, drawn centred on
// a white square of `size` pixels with a quiet zone of four modules.
Raster DrawQr(const std::vector<bool>& dark, int modules, int size);

// The grey "no cover" picture of the static host.
Raster DrawPlaceholder(int size);

}  // namespace weibo::sim
