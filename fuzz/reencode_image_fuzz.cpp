// Image re-encoding: bytes that are no picture leave the target exactly as
// it was; a success gives a picture that decodes again, of the source's size.
#include <QImage>

#include "fuzz/fuzz_check.h"
#include "support/reencode_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the format: BMP or JPEG as the tool asks, now and
  // then another code.
  const int format_code = data[0] % 8 < 4 ? weibo::kImageBmp
                          : data[0] % 8 < 7 ? weibo::kImageJpeg
                                            : data[0] % 8 - 2;
  const weibo::ByteArray source(reinterpret_cast<const char*>(data + 1), size - 1);
  const weibo::ByteArray before = "earlier picture";
  weibo::ByteArray target = before;
  if (!weibo::ReencodeImage(source, format_code, &target)) {
    FUZZ_CHECK(target == before);
    return 0;
  }
  const QImage original = QImage::fromData(
      reinterpret_cast<const uchar*>(source.data()), static_cast<int>(source.size()));
  const QImage encoded = QImage::fromData(
      reinterpret_cast<const uchar*>(target.data()), static_cast<int>(target.size()));
  FUZZ_CHECK(!encoded.isNull());
  FUZZ_CHECK(encoded.size() == original.size());
  if (format_code == weibo::kImageBmp) FUZZ_CHECK(target.compare(0, 2, "BM") == 0);
  if (format_code == weibo::kImageJpeg) FUZZ_CHECK(target.compare(0, 2, "\xFF\xD8") == 0);
  return 0;
}
