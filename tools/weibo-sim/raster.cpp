#include "tools/weibo-sim/raster.h"

#include <algorithm>

#include "tools/weibo-sim/deterministic.h"

namespace weibo::sim {
namespace {

Raster Blank(int width, int height, std::uint32_t colour) {
  Raster raster;
  raster.width = width;
  raster.height = height;
  raster.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) raster.Set(x, y, colour);
  }
  return raster;
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b, int weight, int total) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int ca = static_cast<int>((a >> shift) & 0xFF);
    int cb = static_cast<int>((b >> shift) & 0xFF);
    int c = ca + (cb - ca) * weight / std::max(total, 1);
    out |= static_cast<std::uint32_t>(c) << shift;
  }
  return out;
}

// The nearest colour of the 6x6x6 web palette.
std::uint32_t WebColour(std::uint32_t colour) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int c = static_cast<int>((colour >> shift) & 0xFF);
    out |= static_cast<std::uint32_t>((c + 25) / 51 * 51) << shift;
  }
  return out;
}

void FillRect(Raster& raster, int x0, int y0, int x1, int y1, std::uint32_t colour) {
  for (int y = std::max(y0, 0); y < std::min(y1, raster.height); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, raster.width); ++x) raster.Set(x, y, colour);
  }
}

void FillDisc(Raster& raster, int cx, int cy, int r, std::uint32_t colour) {
  for (int y = std::max(cy - r, 0); y < std::min(cy + r, raster.height); ++y) {
    for (int x = std::max(cx - r, 0); x < std::min(cx + r, raster.width); ++x) {
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) raster.Set(x, y, colour);
    }
  }
}

}  // namespace

void Raster::Set(int x, int y, std::uint32_t colour) {
  std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  rgb[at] = static_cast<std::uint8_t>(colour >> 16);
  rgb[at + 1] = static_cast<std::uint8_t>(colour >> 8);
  rgb[at + 2] = static_cast<std::uint8_t>(colour);
}

std::uint32_t Raster::At(int x, int y) const {
  std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

Raster DrawPhoto(std::uint64_t variant, int width, int height, bool flat) {
  std::uint64_t state = Mix(variant, 0x70686F746Full);
  auto next = [&state]() { return state = Mix(state); };
  std::uint32_t from = static_cast<std::uint32_t>(next()) & 0xFFFFFF;
  std::uint32_t to = static_cast<std::uint32_t>(next()) & 0xFFFFFF;
  Raster raster = Blank(width, height, 0);
  int span = width + height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t colour = Blend(from, to, x + y, span);
      raster.Set(x, y, flat ? WebColour(colour) : colour);
    }
  }
  // Shapes placed in proportion to the picture, so every size of one
  // picture shows the same scene.
  for (int i = 0; i < 4; ++i) {
    std::uint64_t r = next();
    std::uint32_t colour = static_cast<std::uint32_t>(r >> 40) & 0xFFFFFF;
    if (flat) colour = WebColour(colour);
    int cx = static_cast<int>(r % 1000) * width / 1000;
    int cy = static_cast<int>((r >> 10) % 1000) * height / 1000;
    int extent = static_cast<int>(((r >> 20) % 200) + 60) * std::min(width, height) / 1000;
    if (i % 2 == 0) {
      FillDisc(raster, cx, cy, extent, colour);
    } else {
      FillRect(raster, cx - extent, cy - extent / 2, cx + extent, cy + extent / 2, colour);
    }
  }
  return raster;
}

Raster DrawQr(const std::vector<bool>& dark, int modules, int size) {
  int scale = std::max(1, size / (modules + 8));
  int side = std::max(size, (modules + 8) * scale);
  Raster raster = Blank(side, side, 0xFFFFFF);
  int offset = (side - modules * scale) / 2;
  for (int my = 0; my < modules; ++my) {
    for (int mx = 0; mx < modules; ++mx) {
      if (!dark[static_cast<std::size_t>(my) * modules + mx]) continue;
      FillRect(raster, offset + mx * scale, offset + my * scale, offset + (mx + 1) * scale,
               offset + (my + 1) * scale, 0x000000);
    }
  }
  return raster;
}

Raster DrawPlaceholder(int size) {
  Raster raster = Blank(size, size, 0xE6E6E6);
  int border = std::max(1, size / 30);
  FillRect(raster, 0, 0, size, border, 0xBBBBBB);
  FillRect(raster, 0, size - border, size, size, 0xBBBBBB);
  FillRect(raster, 0, 0, border, size, 0xBBBBBB);
  FillRect(raster, size - border, 0, size, size, 0xBBBBBB);
  // A simple mountain-and-sun mark in the middle.
  FillDisc(raster, size * 2 / 3, size / 3, size / 10, 0xC8C8C8);
  for (int y = size / 2; y < size * 3 / 4; ++y) {
    int half = (y - size / 2) * 3 / 2;
    FillRect(raster, size / 2 - half, y, size / 2 + half, y + 1, 0xC8C8C8);
  }
  return raster;
}

}  // namespace weibo::sim
