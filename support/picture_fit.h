// Where a picture goes in a box: the size it is drawn at, keeping its
// proportions. One arithmetic for every window and every platform.
// Pure; any thread.
#pragma once

namespace weibo {

struct PictureSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// `picture` scaled to the largest size that fits inside `box` with its
// proportions kept (rounded to the nearest pixel, at least 1 x 1): shrunk
// when larger, enlarged when smaller. An empty picture or box gives 0 x 0.
PictureSize FitInside(PictureSize picture, PictureSize box);

// Like FitInside but never enlarging: a picture that fits stays as it is.
PictureSize ShrinkToFit(PictureSize picture, PictureSize box);

// A picture that must stay sharp (the sign-in QR code) fills its box
// (FitInside). When that enlarges it, its pixels are repeated (nearest
// neighbour) rather than blended, so that the code's modules keep hard edges:
// each picture pixel becomes a whole number of screen pixels where the box is
// a whole multiple of the picture (200 %), and one of two neighbouring whole
// numbers otherwise (125 %, 150 %). A shrunk picture is blended.
struct SharpFit {
  PictureSize size;
  bool repeat_pixels = false;
};
SharpFit FitSharply(PictureSize picture, PictureSize box);

// The offset that centres `inner` in `outer` along one side (rounded down;
// negative when `inner` is larger).
inline int CentredOffset(int outer, int inner) { return (outer - inner) / 2; }

}  // namespace weibo
