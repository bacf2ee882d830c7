// Pictures of the simulated service: deterministic bytes, real formats,
// pixel sizes by size segment, padding, placeholder.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <set>

#include "tests/sim/sim_test_client.h"
#include "tools/weibo-sim/image_encoding.h"
#include "tools/weibo-sim/raster.h"

namespace weibo::sim {
namespace {

using testing::GetUrl;
using testing::Reply;

QImage Decode(const std::string& bytes) { return QImage::fromData(QByteArray::fromStdString(bytes)); }

// The first photo of the default user's albums whose name ends in `extension`.
const Photo& PhotoWith(const WeiboSim& sim, const std::string& extension) {
  for (const Album& album : sim.data().FindUser(kDefaultUid)->albums) {
    for (const Photo& photo : album.photos) {
      if (photo.pic_name.ends_with(extension)) return photo;
    }
  }
  ADD_FAILURE() << "no picture ending in " << extension;
  return sim.data().FindUser(kDefaultUid)->albums[0].photos[0];
}

TEST(SimPictures, BytesDependOnlyOnNameAndSizeAndCarryTheirType) {
  WeiboSim sim;
  WeiboSim again;
  ASSERT_TRUE(sim.Start() && again.Start()) << sim.error();
  for (const char* type : {"jpeg", "png", "gif"}) {
    const Photo& photo = PhotoWith(sim, type == std::string("jpeg") ? ".jpg" : "." + std::string(type));
    Reply first = GetUrl(sim.PictureUrl(photo, "mw690"));
    EXPECT_EQ(first.Header("Content-Type"), "image/" + std::string(type));
    EXPECT_EQ(first.body, GetUrl(again.PictureUrl(photo, "mw690")).body) << "another run, same bytes";
    EXPECT_NE(first.body, sim.PictureBytes("large", photo.pic_name));
    // Pixel sizes follow the size segment.
    QImage large = Decode(sim.PictureBytes("large", photo.pic_name));
    EXPECT_EQ(Decode(first.body).width(), std::min(large.width(), 690)) << type;
  }
  // Two different names never share bytes, even with one scene behind them.
  const Album& album = sim.data().FindUser(kDefaultUid)->albums[0];
  std::set<std::string> bytes;
  for (int i = 0; i < 40; ++i) bytes.insert(sim.PictureBytes("thumb150", album.photos[i].pic_name));
  EXPECT_EQ(bytes.size(), 40u);
  EXPECT_EQ(GetUrl(sim.PictureUrl(album.photos[0], "huge")).status, 404);
}

TEST(SimPictures, GifEncoderKeepsEveryPixel) {
  // Sizes that fill the LZW table several times over, and a tiny one.
  for (auto [width, height] : {std::pair{580, 773}, std::pair{333, 211}, std::pair{1, 1}}) {
    Raster raster = DrawPhoto(5, width, height, true);
    QImage decoded = Decode(EncodeGif(raster));
    ASSERT_EQ(decoded.size(), QSize(width, height));
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if ((decoded.pixel(x, y) & 0xFFFFFF) != raster.At(x, y)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << width << "x" << height;
  }
}

}  // namespace
}  // namespace weibo::sim
