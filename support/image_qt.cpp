// The image codec layer on Qt: QImage decodes, QImageWriter encodes. QImage
// and the writers are reentrant and need no application object or display.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <limits>

#include "support/image_codec.h"

namespace weibo {
namespace {

// Encodes `image` as `format`, appending the file to `*encoded`.
bool EncodeImage(const QImage& image, const char* format, ByteArray* encoded) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&buffer, format);
  if (!writer.write(image) || bytes.isEmpty()) return false;
  encoded->append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return true;
}

}  // namespace

bool DecodeAndEncodeImage(std::string_view source, const char* format, ByteArray* encoded) {
  if (source.empty() || source.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  QImage image = QImage::fromData(reinterpret_cast<const uchar*>(source.data()), static_cast<int>(source.size()));
  if (image.isNull()) return false;
  return EncodeImage(image, format, encoded);
}

bool DecodeFitAndEncodeImage(std::string_view source, PictureSize box, std::int64_t max_pixels,
                             const char* format, ByteArray* encoded) {
  if (source.empty() || source.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return false;
  }
  QByteArray bytes = QByteArray::fromRawData(source.data(), static_cast<qsizetype>(source.size()));
  QBuffer input(&bytes);
  if (!input.open(QIODevice::ReadOnly)) return false;
  QImageReader reader(&input);
  // The size is read from the header where the format gives it, so that a
  // huge picture is refused before it is decoded (and a large one decoded
  // at the small size where the decoder can).
  const QSize size = reader.size();
  if (size.isValid()) {
    if (std::int64_t{size.width()} * size.height() > max_pixels) return false;
    const PictureSize fitted = ShrinkToFit(PictureSize{size.width(), size.height()}, box);
    if (fitted.width < size.width() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
      reader.setScaledSize(QSize(fitted.width, fitted.height));
    }
  }
  QImage image = reader.read();
  if (image.isNull() || std::int64_t{image.width()} * image.height() > max_pixels) return false;
  const PictureSize fitted = ShrinkToFit(PictureSize{image.width(), image.height()}, box);
  if (image.width() != fitted.width || image.height() != fitted.height) {
    image = image.scaled(fitted.width, fitted.height, Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
  }
  return EncodeImage(image, format, encoded);
}

bool CanEncodeImage(const char* format) {
  // Writing one pixel loads the encoder's plugin as well as proving it works.
  QImage pixel(1, 1, QImage::Format_RGB32);
  pixel.fill(Qt::white);
  ByteArray written;
  return EncodeImage(pixel, format, &written);
}

}  // namespace weibo
