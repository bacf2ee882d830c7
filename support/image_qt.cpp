// The image codec layer on Qt: QImage decodes, QImageWriter encodes. QImage
// and the writers are reentrant and need no application object or display.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <limits>

#include "support/image_codec.h"

namespace weibo {

bool DecodeAndEncodeImage(std::string_view source, const char* format, ByteArray* encoded) {
  if (source.empty() || source.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  QImage image = QImage::fromData(reinterpret_cast<const uchar*>(source.data()), static_cast<int>(source.size()));
  if (image.isNull()) return false;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&buffer, format);
  if (!writer.write(image) || bytes.isEmpty()) return false;
  encoded->append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return true;
}

bool CanEncodeImage(const char* format) {
  // Writing one pixel loads the encoder's plugin as well as proving it works.
  QImage pixel(1, 1, QImage::Format_RGB32);
  pixel.fill(Qt::white);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&buffer, format);
  return writer.write(pixel) && !bytes.isEmpty();
}

}  // namespace weibo
