#include "albums/placeholder_cover.h"

#include <cstdint>

namespace weibo {
namespace {

constexpr int kSize = kAlbumIconSize;
constexpr int kRowBytes = (kSize * 3 + 3) / 4 * 4;
constexpr int kHeaderBytes = 14 + 40;

void PutLittleEndian(ByteArray& bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The grey level of pixel (x, y), y counted from the top.
unsigned char ShadeAt(int x, int y) {
  constexpr unsigned char kBackground = 0xEE;
  constexpr unsigned char kLine = 0xA8;
  const bool frame = (x >= 20 && x < 130 && (y == 30 || y == 31 || y == 118 || y == 119)) ||
                     (y >= 30 && y < 120 && (x == 20 || x == 21 || x == 128 || x == 129));
  if (frame) return kLine;
  // A hill: the triangle from (35, 110) over (70, 60) to (105, 110).
  const int dx = x < 70 ? 70 - x : x - 70;
  const bool hill = y >= 60 && y <= 110 && dx * 50 <= (y - 60) * 35;
  // The sun: a disc of radius 9 around (104, 52).
  const bool sun = (x - 104) * (x - 104) + (y - 52) * (y - 52) <= 81;
  return hill || sun ? kLine : kBackground;
}

}  // namespace

ByteArray PlaceholderCoverIcon() {
  const std::uint32_t pixel_bytes = static_cast<std::uint32_t>(kRowBytes * kSize);
  ByteArray bmp;
  bmp.reserve(kHeaderBytes + pixel_bytes);
  bmp += "BM";
  PutLittleEndian(bmp, kHeaderBytes + pixel_bytes, 4);  // file size
  PutLittleEndian(bmp, 0, 4);                           // reserved
  PutLittleEndian(bmp, kHeaderBytes, 4);                // offset of the pixels
  PutLittleEndian(bmp, 40, 4);                          // info header size
  PutLittleEndian(bmp, kSize, 4);                       // width
  PutLittleEndian(bmp, kSize, 4);                       // height (rows bottom-up)
  PutLittleEndian(bmp, 1, 2);                           // planes
  PutLittleEndian(bmp, 24, 2);                          // bits per pixel
  PutLittleEndian(bmp, 0, 4);                           // no compression
  PutLittleEndian(bmp, pixel_bytes, 4);
  PutLittleEndian(bmp, 2835, 4);  // 72 dpi, in pixels per metre
  PutLittleEndian(bmp, 2835, 4);
  PutLittleEndian(bmp, 0, 4);  // colours used
  PutLittleEndian(bmp, 0, 4);  // important colours
  for (int row = kSize - 1; row >= 0; --row) {
    for (int x = 0; x < kSize; ++x) bmp.append(3, static_cast<char>(ShadeAt(x, row)));
    bmp.append(kRowBytes - kSize * 3, '\0');
  }
  return bmp;
}

}  // namespace weibo
