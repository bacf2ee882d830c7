// The JPEG and PNG encoders, through QImage. QImage encodes without a
// QGuiApplication and from any thread.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "tools/weibo-sim/image_encoding.h"

namespace weibo::sim {
namespace {

ByteArray Encode(const Raster& raster, const char* format, int quality) {
  if (raster.width <= 0 || raster.height <= 0) return {};
  QImage image(raster.rgb.data(), raster.width, raster.height, raster.width * 3,
               QImage::Format_RGB888);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, quality)) return {};
  return ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

ByteArray EncodeJpeg(const Raster& raster, int quality) {
  return Encode(raster, "JPEG", quality);
}

ByteArray EncodePng(const Raster& raster) { return Encode(raster, "PNG", -1); }

}  // namespace weibo::sim
