// The arithmetic that places pictures in boxes, for covers and the QR code
// at every screen scale.
#include "support/picture_fit.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

PictureSize Size(int width, int height) { return PictureSize{width, height}; }

TEST(PictureFitTest, CoversFillTheirIconKeepingProportions) {
  // Shrunk and enlarged alike, to the nearest pixel.
  EXPECT_EQ(FitInside(Size(300, 100), Size(150, 150)), Size(150, 50));
  EXPECT_EQ(FitInside(Size(40, 20), Size(150, 150)), Size(150, 75));
  EXPECT_EQ(FitInside(Size(20, 40), Size(225, 225)), Size(113, 225));  // 112.5 rounds up
  EXPECT_EQ(FitInside(Size(150, 150), Size(188, 188)), Size(188, 188));  // 125 %
  EXPECT_EQ(FitInside(Size(3, 2), Size(300, 200)), Size(300, 200));
  // A very thin picture keeps at least one pixel.
  EXPECT_EQ(FitInside(Size(3000000, 1), Size(300, 300)), Size(300, 1));
  // Sizes whose products pass the int range.
  EXPECT_EQ(FitInside(Size(2000000000, 1000000000), Size(150, 150)), Size(150, 75));
  EXPECT_EQ(FitInside(Size(0, 10), Size(150, 150)), Size(0, 0));
  EXPECT_EQ(FitInside(Size(10, 10), Size(0, 150)), Size(0, 0));

  EXPECT_EQ(ShrinkToFit(Size(40, 20), Size(300, 300)), Size(40, 20));
  EXPECT_EQ(ShrinkToFit(Size(1200, 600), Size(300, 300)), Size(300, 150));
  EXPECT_EQ(ShrinkToFit(Size(300, 301), Size(300, 300)), Size(299, 300));

  EXPECT_EQ(CentredOffset(150, 50), 50);
  EXPECT_EQ(CentredOffset(225, 112), 56);
}

TEST(PictureFitTest, TheQrCodeFillsItsScaledBoxWithHardEdges) {
  const PictureSize qr = Size(180, 180);
  // 100 %: as it is; 200 %: every pixel twice; 125 % and 150 %: filled,
  // pixels repeated rather than blended.
  for (const int inside : {180, 225, 270, 315, 360}) {
    const SharpFit fit = FitSharply(qr, Size(inside, inside));
    EXPECT_EQ(fit.size, Size(inside, inside)) << inside;
    EXPECT_EQ(fit.repeat_pixels, inside > 180) << inside;
  }
  // A larger picture is shrunk smoothly.
  const SharpFit large = FitSharply(Size(400, 200), Size(180, 180));
  EXPECT_EQ(large.size, Size(180, 90));
  EXPECT_FALSE(large.repeat_pixels);
}

}  // namespace
}  // namespace weibo
