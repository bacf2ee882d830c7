// The Windows layers of support/: re-encoding on GDI+ and the code page
// conversions on the Windows API. The source pictures are drawn and encoded
// here (BMP by hand, GIF with the simulator's encoder, PNG and JPEG by the
// layer itself), and results are checked by decoding them to BMP again.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/icu_codepage.h"
#include "support/reencode_image.h"
#include "tools/weibo-sim/image_encoding.h"
#include "tools/weibo-sim/raster.h"

namespace weibo {
namespace {

// White with a black top-left and a red bottom-right quarter, so that a
// re-encoding that mixes up rows or columns shows (and JPEG keeps colours).
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

void PutLe(ByteArray& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetLe(const ByteArray& in, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in.at(at + i));
  return value;
}

// A 24-bit bottom-up BMP file of `raster`.
ByteArray EncodeBmp(const sim::Raster& raster) {
  const int stride = (raster.width * 3 + 3) / 4 * 4;
  const std::uint32_t pixels = static_cast<std::uint32_t>(stride * raster.height);
  ByteArray bmp = "BM";
  PutLe(bmp, 54 + pixels, 4);
  PutLe(bmp, 0, 4);
  PutLe(bmp, 54, 4);
  PutLe(bmp, 40, 4);
  PutLe(bmp, static_cast<std::uint32_t>(raster.width), 4);
  PutLe(bmp, static_cast<std::uint32_t>(raster.height), 4);
  PutLe(bmp, 1, 2);
  PutLe(bmp, 24, 2);
  for (int i = 0; i < 6; ++i) PutLe(bmp, 0, 4);
  for (int y = raster.height - 1; y >= 0; --y) {
    for (int x = 0; x < raster.width; ++x) {
      const std::uint32_t rgb = raster.At(x, y);
      PutLe(bmp, rgb & 0xFF, 1);
      PutLe(bmp, (rgb >> 8) & 0xFF, 1);
      PutLe(bmp, (rgb >> 16) & 0xFF, 1);
    }
    bmp.append(static_cast<std::size_t>(stride - raster.width * 3), '\0');
  }
  return bmp;
}

// The pixels of an uncompressed 24- or 32-bit BMP file; an empty raster when
// it is none.
sim::Raster DecodeBmp(const ByteArray& bmp) {
  if (bmp.size() < 54 || bmp.substr(0, 2) != "BM") return sim::Raster();
  const std::uint32_t offset = GetLe(bmp, 10, 4);
  const int width = static_cast<int>(GetLe(bmp, 18, 4));
  const int raw_height = static_cast<std::int32_t>(GetLe(bmp, 22, 4));
  const int height = raw_height < 0 ? -raw_height : raw_height;
  const int bits = static_cast<int>(GetLe(bmp, 28, 2));
  if ((bits != 24 && bits != 32) || GetLe(bmp, 30, 4) > 3) return sim::Raster();
  const int stride = (width * bits / 8 + 3) / 4 * 4;
  if (bmp.size() < offset + static_cast<std::size_t>(stride) * height) return sim::Raster();
  sim::Raster raster{width, height, std::vector<std::uint8_t>(width * height * 3)};
  for (int y = 0; y < height; ++y) {
    const int row = raw_height < 0 ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const std::size_t at = offset + static_cast<std::size_t>(row) * stride + x * (bits / 8);
      raster.Set(x, y, GetLe(bmp, at, 3));
    }
  }
  return raster;
}

int Lightness(std::uint32_t rgb) {
  return (static_cast<int>(rgb >> 16) + static_cast<int>((rgb >> 8) & 0xFF) +
          static_cast<int>(rgb & 0xFF)) / 3;
}

// Decodes `encoded` (through a re-encoding to BMP) and checks that it is the
// test picture, allowing for lossy JPEG.
void ExpectSamePicture(const ByteArray& encoded, int width, int height) {
  ByteArray bmp;
  ASSERT_TRUE(ReencodeImage(encoded, kImageBmp, &bmp));
  const sim::Raster raster = DecodeBmp(bmp);
  ASSERT_EQ(raster.width, width);
  ASSERT_EQ(raster.height, height);
  EXPECT_LT(Lightness(raster.At(0, 0)), 80);
  EXPECT_GT(Lightness(raster.At(width / 2, height / 2)), 200);
  const std::uint32_t corner = raster.At(width - 1, height - 1);
  EXPECT_GT(corner >> 16, 150u);
  EXPECT_LT((corner >> 8) & 0xFF, 110u);
}

TEST(GdiplusReencode, EveryReadableFormatBecomesExactBmpAndJpegFiles) {
  const sim::Raster raster = TestRaster(41, 37);
  const ByteArray bmp = EncodeBmp(raster);
  ByteArray png;
  ASSERT_TRUE(ReencodeImage(bmp, kImagePng, &png));
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
  EXPECT_EQ(png.substr(png.size() - 12), ByteArray("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
  ByteArray jpeg;
  ASSERT_TRUE(ReencodeImage(bmp, kImageJpeg, &jpeg));

  // PNG to BMP: the size in the file header is the whole result, nothing
  // trails it.
  ByteArray from_png;
  ASSERT_TRUE(ReencodeImage(png, kImageBmp, &from_png));
  EXPECT_EQ(from_png.substr(0, 2), "BM");
  EXPECT_EQ(GetLe(from_png, 2, 4), from_png.size());
  ExpectSamePicture(from_png, 41, 37);

  const std::vector<std::pair<const char*, ByteArray>> sources = {
      {"PNG", png}, {"JPEG", jpeg}, {"BMP", bmp}, {"GIF", sim::EncodeGif(raster)}};
  for (const auto& [name, source] : sources) {
    SCOPED_TRACE(name);
    ByteArray out;
    ASSERT_TRUE(ReencodeImage(source, kImageJpeg, &out));
    EXPECT_EQ(out.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(out.substr(out.size() - 2), "\xFF\xD9");
    ExpectSamePicture(out, 41, 37);
  }
}

TEST(GdiplusReencode, FailureLeavesTheTargetAsItWas) {
  const ByteArray bmp = EncodeBmp(TestRaster(8, 8));
  ByteArray earlier;
  ASSERT_TRUE(ReencodeImage(EncodeBmp(TestRaster(3, 3)), kImageJpeg, &earlier));
  const std::vector<std::pair<ByteArray, int>> failing = {
      {ByteArray(), kImageJpeg},
      {ByteArray("\x89PNG\r\n\x1A\n\0\0", 10), kImageBmp},
      {bmp.substr(0, 30), kImageBmp},
      {bmp, 6},
      {bmp, 0},
  };
  for (const auto& [source, code] : failing) {
    ByteArray target = earlier;
    EXPECT_FALSE(ReencodeImage(source, code, &target)) << code << " " << source.size();
    EXPECT_EQ(target, earlier);
  }
  EXPECT_TRUE(StartImageCodecs());
}

// The code page layer gives what the ICU layer on Linux gives, whatever the
// system's ANSI code page is (the suite runs under 936 and 1252).
TEST(WindowsCodePages, AgreeWithTheLinuxLayer) {
  // Typed texts: normalised as a whole, no best-fit matches.
  EXPECT_EQ(EncodeCodePage936(u"e\u0301\u00B2\u00A5\u4E2D", CodePage936Rules::kScreen),
            "\xA8\xA6??\xD6\xD0");
  // Replies: best-fit matches, one "?" per character beyond the BMP, default
  // ignorables dropped, the half-width arrows as "?" rather than control bytes.
  EXPECT_EQ(EncodeCodePage936(u"\u00B2\U0001F600\u200B\uFEFFx\uFFE9\uFFEE", CodePage936Rules::kReply),
            "2?x??");
  EXPECT_EQ(EncodeCodePage936(u"\u200B", CodePage936Rules::kReply), "");
  // Decoding: 0x80 is the euro sign; UTF-8 comes back for paths.
  EXPECT_EQ(CodePage936ToUtf16("\x80\xD6\xD0"), u"\u20AC\u4E2D");
  EXPECT_EQ(CodePage936ToUtf8("a\xD6\xD0"), "a\xE4\xB8\xAD");
  EXPECT_EQ(DecodeUtf8("\xE4\xB8\xAD" "a"), u"\u4E2Da");
  // Each maximal ill-formed part is one U+FFFD: a cut four-byte sequence, an
  // encoded surrogate (three parts), a stray continuation byte.
  EXPECT_EQ(DecodeUtf8("a\xF0\x9F\x98" "b\xED\xA0\x80\x80" "c"), u"a\uFFFDb\uFFFD\uFFFD\uFFFD\uFFFDc");
}

TEST(WindowsCodePages, Gb18030WithOrWithoutTheSystemsCodePage) {
  EXPECT_EQ(EncodeGb18030(u"\u4E2Da\u20AC"), "\xD6\xD0" "a\xA2\xE3");
  // Four-byte sequences: characters outside the two-byte area, in the BMP and
  // beyond it.
  EXPECT_EQ(EncodeGb18030(u"\u00A5"), "\x81\x30\x84\x36");
  EXPECT_EQ(EncodeGb18030(u"\u00B2"), "\x81\x30\x85\x35");
  EXPECT_EQ(EncodeGb18030(u"\u0E01"), "\x81\x32\xCE\x39");
  EXPECT_EQ(EncodeGb18030(u"\U0001F600"), "\x94\x39\xFC\x36");
  EXPECT_EQ(EncodeGb18030(u"\uFFFD"), "\x84\x31\xA4\x37");
  EXPECT_EQ(EncodeGb18030(std::u16string(1, u'\xD83D') + u"x"), "?x");
  // Where GB18030 and code page 936 part ways: characters GB18030 gives the
  // bytes of private-use characters of code page 936, which move to four
  // bytes, and the one pair the 2005 edition swapped.
  EXPECT_EQ(EncodeGb18030(u"\u2E81\u01F9"), "\xFE\x50\xA8\xBF");
  EXPECT_EQ(EncodeGb18030(u"\uE815"), "\x83\x36\xC9\x34");
  EXPECT_EQ(EncodeGb18030(u"\uE7C8"), "\x83\x36\xC8\x30");
  EXPECT_EQ(EncodeGb18030(u"\u1E3F\uE7C7"), "\xA8\xBC\x81\x35\xF4\x37");
}

}  // namespace
}  // namespace weibo
