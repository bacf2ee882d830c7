// A GIF89a encoder: the 216 colours of the web palette in a 256-entry global
// table, and variable-width LZW codes as the format defines them.
#include <algorithm>
#include <unordered_map>

#include "tools/weibo-sim/image_encoding.h"

namespace weibo::sim {
namespace {

constexpr int kMinCodeSize = 8;
constexpr int kClearCode = 1 << kMinCodeSize;
constexpr int kEndCode = kClearCode + 1;
constexpr int kMaxCodes = 4096;

void PutLe16(ByteArray& out, int value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

int PaletteIndex(std::uint32_t colour) {
  int r = static_cast<int>(((colour >> 16) & 0xFF) + 25) / 51;
  int g = static_cast<int>(((colour >> 8) & 0xFF) + 25) / 51;
  int b = static_cast<int>((colour & 0xFF) + 25) / 51;
  return r * 36 + g * 6 + b;
}

// Packs codes least significant bit first, as GIF requires.
class BitWriter {
 public:
  void Put(int code, int width) {
    buffer_ |= static_cast<std::uint32_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      bytes_ += static_cast<char>(buffer_ & 0xFF);
      buffer_ >>= 8;
      bits_ -= 8;
    }
  }
  ByteArray Finish() {
    if (bits_ > 0) bytes_ += static_cast<char>(buffer_ & 0xFF);
    bits_ = 0;
    buffer_ = 0;
    return bytes_;
  }

 private:
  ByteArray bytes_;
  std::uint32_t buffer_ = 0;
  int bits_ = 0;
};

ByteArray CompressLzw(const std::vector<int>& pixels) {
  BitWriter writer;
  std::unordered_map<std::uint32_t, int> table;
  int code_size = kMinCodeSize + 1;
  int next_code = kEndCode + 1;
  writer.Put(kClearCode, code_size);
  int prefix = pixels.empty() ? 0 : pixels[0];
  for (std::size_t i = 1; i < pixels.size(); ++i) {
    std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(pixels[i]);
    auto found = table.find(key);
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    writer.Put(prefix, code_size);
    if (next_code < kMaxCodes) {
      table.emplace(key, next_code++);
      if (next_code > (1 << code_size) && code_size < 12) ++code_size;
    } else {
      writer.Put(kClearCode, code_size);
      table.clear();
      next_code = kEndCode + 1;
      code_size = kMinCodeSize + 1;
    }
    prefix = pixels[i];
  }
  if (!pixels.empty()) writer.Put(prefix, code_size);
  writer.Put(kEndCode, code_size);
  return writer.Finish();
}

}  // namespace

ByteArray EncodeGif(const Raster& raster) {
  if (raster.width <= 0 || raster.height <= 0 || raster.width > 0xFFFF ||
      raster.height > 0xFFFF) {
    return {};
  }
  ByteArray out = "GIF89a";
  PutLe16(out, raster.width);
  PutLe16(out, raster.height);
  out += static_cast<char>(0xF7);  // global table of 256 entries, 8 bits per primary
  out += '\0';                     // background colour index
  out += '\0';                     // no aspect ratio
  for (int i = 0; i < 256; ++i) {
    int index = i < 216 ? i : 0;
    out += static_cast<char>(index / 36 * 51);
    out += static_cast<char>(index / 6 % 6 * 51);
    out += static_cast<char>(index % 6 * 51);
  }
  out += ',';  // image descriptor
  PutLe16(out, 0);
  PutLe16(out, 0);
  PutLe16(out, raster.width);
  PutLe16(out, raster.height);
  out += '\0';
  std::vector<int> pixels;
  pixels.reserve(static_cast<std::size_t>(raster.width) * raster.height);
  for (int y = 0; y < raster.height; ++y) {
    for (int x = 0; x < raster.width; ++x) pixels.push_back(PaletteIndex(raster.At(x, y)));
  }
  ByteArray data = CompressLzw(pixels);
  out += static_cast<char>(kMinCodeSize);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    std::size_t length = std::min<std::size_t>(255, data.size() - at);
    out += static_cast<char>(length);
    out.append(data, at, length);
  }
  out += '\0';
  out += ';';  // trailer
  return out;
}

}  // namespace weibo::sim
