#include "support/picture_fit.h"

#include <algorithm>
#include <cstdint>

namespace weibo {
namespace {

bool IsEmpty(PictureSize size) { return size.width <= 0 || size.height <= 0; }

// a * b / c rounded to the nearest whole number, at least 1 (64-bit, so that
// no product of two int sizes overflows).
int ScaledSide(int a, int b, int c) {
  const std::int64_t product = std::int64_t{a} * b;
  const std::int64_t divisor = c;
  return static_cast<int>(std::max<std::int64_t>(1, (2 * product + divisor) / (2 * divisor)));
}

}  // namespace

PictureSize FitInside(PictureSize picture, PictureSize box) {
  if (IsEmpty(picture) || IsEmpty(box)) return PictureSize{};
  // Compare the proportions without rounding: the picture is relatively
  // wider than the box when width/height > box.width/box.height.
  if (std::int64_t{picture.width} * box.height >= std::int64_t{box.width} * picture.height) {
    const int height = ScaledSide(picture.height, box.width, picture.width);
    return PictureSize{box.width, std::min(box.height, height)};
  }
  const int width = ScaledSide(picture.width, box.height, picture.height);
  return PictureSize{std::min(box.width, width), box.height};
}

PictureSize ShrinkToFit(PictureSize picture, PictureSize box) {
  if (IsEmpty(picture) || IsEmpty(box)) return PictureSize{};
  if (picture.width <= box.width && picture.height <= box.height) return picture;
  return FitInside(picture, box);
}

SharpFit FitSharply(PictureSize picture, PictureSize box) {
  const PictureSize size = FitInside(picture, box);
  return SharpFit{size, size.width > picture.width || size.height > picture.height};
}

}  // namespace weibo
