#include "support/reencode_image.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace weibo {
namespace {

// The colour index (0 white, 1 black, 2 red) of a picture with a black
// top-left and a red bottom-right quarter-size corner, so that a re-encoding
// that mixes up rows or columns shows (and JPEG keeps the colours).
unsigned CornerColour(int x, int y, int width, int height) {
  if (x < width / 4 && y < height / 4) return 1;
  if (x >= width - width / 4 && y >= height - height / 4) return 2;
  return 0;
}

QImage TestPicture(int width, int height) {
  const QColor colours[] = {Qt::white, Qt::black, Qt::red};
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixelColor(x, y, colours[CornerColour(x, y, width, height)]);
  }
  return image;
}

ByteArray Encode(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QImage Decode(const ByteArray& bytes) {
  return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
}

// Appends LZW codes of `bits` bits, least significant bit first.
class BitWriter {
 public:
  void Put(unsigned code, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (used_ % 8 == 0) bytes_.push_back('\0');
      if ((code >> i) & 1U) bytes_.back() = static_cast<char>(bytes_.back() | (1 << (used_ % 8)));
      ++used_;
    }
  }
  const ByteArray& bytes() const { return bytes_; }

 private:
  ByteArray bytes_;
  int used_ = 0;
};

void PutLittle16(ByteArray* out, int value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

// A GIF87a of `width` x `height` in four colours (white, black, red, blue)
// with the same picture as TestPicture. The LZW stream sends a clear code
// before every pixel, so every code keeps three bits.
ByteArray TestGif(int width, int height) {
  ByteArray gif = "GIF87a";
  PutLittle16(&gif, width);
  PutLittle16(&gif, height);
  gif += ByteArray("\xF1\x00\x00", 3);  // global table of 4 colours
  gif += ByteArray("\xFF\xFF\xFF\x00\x00\x00\xFF\x00\x00\x00\x00\xFF", 12);
  gif += ",";
  PutLittle16(&gif, 0);
  PutLittle16(&gif, 0);
  PutLittle16(&gif, width);
  PutLittle16(&gif, height);
  gif += ByteArray("\x00\x02", 2);  // no local table; minimum code size 2
  BitWriter codes;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      codes.Put(4, 3);  // clear
      codes.Put(CornerColour(x, y, width, height), 3);
    }
  }
  codes.Put(5, 3);  // end of information
  const ByteArray& data = codes.bytes();
  for (std::size_t at = 0; at < data.size(); at += 255) {
    ByteArray block = data.substr(at, 255);
    gif.push_back(static_cast<char>(block.size()));
    gif += block;
  }
  gif += ByteArray("\x00;", 2);
  return gif;
}

std::uint32_t Little32(const ByteArray& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void ExpectSamePicture(const ByteArray& encoded, int width, int height) {
  QImage image = Decode(encoded);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), width);
  EXPECT_EQ(image.height(), height);
  // Lossy JPEG keeps the corners recognisably dark and red.
  EXPECT_LT(image.pixelColor(0, 0).lightness(), 80);
  EXPECT_GT(image.pixelColor(width / 2, height / 2).lightness(), 200);
  QColor corner = image.pixelColor(width - 1, height - 1);
  EXPECT_GT(corner.red(), 150);
  EXPECT_LT(corner.green(), 110);
}

TEST(ReencodeImage, PngBecomesACompleteBmp) {
  ByteArray png = Encode(TestPicture(41, 37), "PNG");
  ByteArray bmp;
  ASSERT_TRUE(ReencodeImage(png, kImageBmp, &bmp));
  ASSERT_GT(bmp.size(), 54U);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  // The file size in the header is the whole result: nothing trails it.
  EXPECT_EQ(Little32(bmp, 2), bmp.size());
  ExpectSamePicture(bmp, 41, 37);
}

TEST(ReencodeImage, EveryReadableFormatBecomesJpeg) {
  const QImage picture = TestPicture(40, 30);
  const std::vector<std::pair<const char*, ByteArray>> sources = {
      {"PNG", Encode(picture, "PNG")},
      {"JPEG", Encode(picture, "JPEG")},
      {"BMP", Encode(picture, "BMP")},
      {"GIF", TestGif(40, 30)},
  };
  for (const auto& [name, source] : sources) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(source.empty());
    ByteArray jpeg;
    ASSERT_TRUE(ReencodeImage(source, kImageJpeg, &jpeg));
    ASSERT_GT(jpeg.size(), 4U);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    ExpectSamePicture(jpeg, 40, 30);
  }
}

TEST(ReencodeImage, GifBecomesPng) {
  ByteArray png;
  ASSERT_TRUE(ReencodeImage(TestGif(9, 5), kImagePng, &png));
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(png.substr(png.size() - 12), ByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
  ExpectSamePicture(png, 9, 5);
}

TEST(ReencodeImage, FailureLeavesTheTargetAsItWas) {
  const ByteArray png = Encode(TestPicture(8, 8), "PNG");
  const ByteArray earlier = Encode(TestPicture(3, 3), "JPEG");
  const std::vector<std::pair<ByteArray, int>> failing = {
      {ByteArray(), kImageBmp},
      {ByteArray(), kImageJpeg},
      {"<html>not a picture</html>", kImageJpeg},
      {ByteArray("\x89PNG\r\n\x1A\n\0\0", 10), kImageBmp},
      {png, 0},
      {png, 6},
      {png, -1},
      {png, kImageGif},  // no GIF encoder
  };
  for (const auto& [source, code] : failing) {
    ByteArray target = earlier;
    EXPECT_FALSE(ReencodeImage(source, code, &target)) << code << " " << source.size();
    EXPECT_EQ(target, earlier);
  }
}

TEST(ReencodeImage, WorksOnSeveralThreadsAtOnce) {
  ASSERT_TRUE(StartImageCodecs());
  const ByteArray png = Encode(TestPicture(64, 48), "PNG");
  const ByteArray gif = TestGif(64, 48);
  ByteArray expected_bmp;
  ByteArray expected_jpeg;
  ASSERT_TRUE(ReencodeImage(png, kImageBmp, &expected_bmp));
  ASSERT_TRUE(ReencodeImage(gif, kImageJpeg, &expected_jpeg));
  constexpr int kThreads = 4;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        ByteArray bmp;
        ByteArray jpeg;
        if (!ReencodeImage(png, kImageBmp, &bmp) || bmp != expected_bmp) ++mismatches[t];
        if (!ReencodeImage(gif, kImageJpeg, &jpeg) || jpeg != expected_jpeg) ++mismatches[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : mismatches) EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace weibo
