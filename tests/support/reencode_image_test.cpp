#include "support/reencode_image.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <vector>

#include "tools/weibo-sim/image_encoding.h"
#include "tools/weibo-sim/raster.h"

namespace weibo {
namespace {

// White with a black top-left and a red bottom-right quarter-size corner, so
// that a re-encoding that mixes up rows or columns shows (and JPEG keeps the
// colours).
sim::Raster TestRaster(int width, int height) {
  sim::Raster raster{width, height, std::vector<std::uint8_t>(width * height * 3)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool dark = x < width / 4 && y < height / 4;
      const bool red = x >= width - width / 4 && y >= height - height / 4;
      raster.Set(x, y, dark ? 0x000000 : red ? 0xFF0000 : 0xFFFFFF);
    }
  }
  return raster;
}

ByteArray Encode(int width, int height, const char* format) {
  const sim::Raster raster = TestRaster(width, height);
  QImage image(raster.rgb.data(), width, height, width * 3, QImage::Format_RGB888);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ExpectSamePicture(const ByteArray& encoded, int width, int height) {
  QImage image = QImage::fromData(reinterpret_cast<const uchar*>(encoded.data()),
                                  static_cast<int>(encoded.size()));
  ASSERT_EQ(image.size(), QSize(width, height));
  // Lossy JPEG keeps the corners recognisably dark and red.
  EXPECT_LT(image.pixelColor(0, 0).lightness(), 80);
  EXPECT_GT(image.pixelColor(width / 2, height / 2).lightness(), 200);
  QColor corner = image.pixelColor(width - 1, height - 1);
  EXPECT_GT(corner.red(), 150);
  EXPECT_LT(corner.green(), 110);
}

TEST(ReencodeImage, PngBecomesACompleteBmp) {
  ByteArray bmp;
  ASSERT_TRUE(ReencodeImage(Encode(41, 37, "PNG"), kImageBmp, &bmp));
  ASSERT_GT(bmp.size(), 54U);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  // The file size in the header is the whole result: nothing trails it.
  std::uint32_t size = 0;
  for (int i = 5; i >= 2; --i) size = (size << 8) | static_cast<unsigned char>(bmp[i]);
  EXPECT_EQ(size, bmp.size());
  ExpectSamePicture(bmp, 41, 37);
}

TEST(ReencodeImage, EveryReadableFormatBecomesJpegOrPng) {
  const std::vector<std::pair<const char*, ByteArray>> sources = {
      {"PNG", Encode(40, 30, "PNG")},
      {"JPEG", Encode(40, 30, "JPEG")},
      {"BMP", Encode(40, 30, "BMP")},
      {"GIF", sim::EncodeGif(TestRaster(40, 30))},
  };
  for (const auto& [name, source] : sources) {
    SCOPED_TRACE(name);
    ByteArray jpeg;
    ASSERT_TRUE(ReencodeImage(source, kImageJpeg, &jpeg));
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    ExpectSamePicture(jpeg, 40, 30);
  }
  ByteArray png;
  ASSERT_TRUE(ReencodeImage(sources[3].second, kImagePng, &png));
  EXPECT_EQ(png.substr(png.size() - 12), ByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
  ExpectSamePicture(png, 40, 30);
}

TEST(ReencodeImage, FailureLeavesTheTargetAsItWas) {
  const ByteArray png = Encode(8, 8, "PNG");
  const ByteArray earlier = Encode(3, 3, "JPEG");
  const std::vector<std::pair<ByteArray, int>> failing = {
      {ByteArray(), kImageJpeg},
      {ByteArray("\x89PNG\r\n\x1A\n\0\0", 10), kImageBmp},
      {png, 6},
      {png, kImageGif},  // no GIF encoder
  };
  for (const auto& [source, code] : failing) {
    ByteArray target = earlier;
    EXPECT_FALSE(ReencodeImage(source, code, &target)) << code << " " << source.size();
    EXPECT_EQ(target, earlier);
  }
}

}  // namespace
}  // namespace weibo
