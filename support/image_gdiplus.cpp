// The image codec layer on GDI+: pictures are decoded from an OLE memory
// stream and encoded into another with the built-in encoder that the MIME
// type names. GDI+ is started once per process, on first use, and stays up
// until the process ends. Every GDI+ call of the tool is in this file.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/image_codec.h"

namespace weibo {
namespace {

namespace flat = Gdiplus::DllExports;

// Starts GDI+ once (version 1, no debug callback, its own background
// thread, external codecs allowed). True when it runs.
bool StartGdiplusOnce() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    ULONG_PTR token = 0;  // kept for the life of the process: GDI+ is never shut down
    Gdiplus::GdiplusStartupInput input;
    started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  });
  return started;
}

// The MIME type of the encoder for a format name, or empty for none.
std::wstring MimeType(const char* format) {
  const std::string name = format == nullptr ? std::string() : std::string(format);
  if (name == "BMP") return L"image/bmp";
  if (name == "JPEG" || name == "JPG") return L"image/jpeg";
  if (name == "GIF") return L"image/gif";
  if (name == "TIFF") return L"image/tiff";
  if (name == "PNG") return L"image/png";
  return std::wstring();
}

// The class identifier of the installed encoder for `format`. False when
// GDI+ has none.
bool FindEncoder(const char* format, CLSID* clsid) {
  const std::wstring mime = MimeType(format);
  if (mime.empty() || !StartGdiplusOnce()) return false;
  UINT count = 0;
  UINT bytes = 0;
  if (flat::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || count == 0) return false;
  std::vector<unsigned char> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (flat::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType != nullptr && mime == codecs[i].MimeType) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

struct StreamReleaser {
  void operator()(IStream* stream) const { stream->Release(); }
};
using StreamHolder = std::unique_ptr<IStream, StreamReleaser>;

struct ImageDisposer {
  void operator()(Gdiplus::GpImage* image) const { flat::GdipDisposeImage(image); }
};
using ImageHolder = std::unique_ptr<Gdiplus::GpImage, ImageDisposer>;

// A stream over a copy of `bytes` that frees its memory when released.
StreamHolder StreamOver(std::string_view bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block == nullptr) return nullptr;
  void* address = GlobalLock(block);
  if (address == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(address, bytes.data(), bytes.size());
  GlobalUnlock(block);
  IStream* stream = nullptr;
  if (CreateStreamOnHGlobal(block, TRUE, &stream) != S_OK || stream == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  return StreamHolder(stream);
}

// Appends exactly what was written to `stream` (its logical size, not the
// possibly larger memory block under it).
bool AppendWritten(IStream* stream, ByteArray* out) {
  STATSTG stat{};
  if (stream->Stat(&stat, STATFLAG_NONAME) != S_OK) return false;
  const ULONGLONG size = stat.cbSize.QuadPart;
  if (size == 0 || size > std::numeric_limits<std::size_t>::max() / 2) return false;
  HGLOBAL block = nullptr;
  if (GetHGlobalFromStream(stream, &block) != S_OK || block == nullptr) return false;
  const void* address = GlobalLock(block);
  if (address == nullptr) return false;
  const bool whole = GlobalSize(block) >= size;
  if (whole) out->append(static_cast<const char*>(address), static_cast<std::size_t>(size));
  GlobalUnlock(block);
  return whole;
}

}  // namespace

namespace {

// A picture GDI+ reads from a memory stream; the stream must outlive the
// image, so the two are kept together (the image is disposed of first).
struct OpenedPicture {
  StreamHolder stream;
  ImageHolder image;
};

// The picture `source` holds; a null image when it is none.
OpenedPicture OpenPicture(std::string_view source) {
  OpenedPicture opened;
  if (source.empty() || source.size() > std::numeric_limits<UINT>::max()) return opened;
  opened.stream = StreamOver(source);
  if (opened.stream == nullptr) return opened;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (flat::GdipCreateBitmapFromStream(opened.stream.get(), &bitmap) == Gdiplus::Ok) {
    opened.image.reset(bitmap);
  }
  return opened;
}

// Encodes `image` with the encoder `encoder`, appending the file.
bool EncodeWith(Gdiplus::GpImage* image, const CLSID& encoder, ByteArray* encoded) {
  IStream* raw_output = nullptr;
  if (CreateStreamOnHGlobal(nullptr, TRUE, &raw_output) != S_OK || raw_output == nullptr) {
    return false;
  }
  StreamHolder output(raw_output);
  if (flat::GdipSaveImageToStream(image, output.get(), &encoder, nullptr) != Gdiplus::Ok) {
    return false;
  }
  return AppendWritten(output.get(), encoded);
}

// `image` drawn at `size` (high-quality resampling) into a new 32-bit bitmap.
ImageHolder Resampled(Gdiplus::GpImage* image, PictureSize size) {
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (flat::GdipCreateBitmapFromScan0(size.width, size.height, 0, PixelFormat32bppARGB, nullptr,
                                      &bitmap) != Gdiplus::Ok ||
      bitmap == nullptr) {
    return nullptr;
  }
  ImageHolder resampled(bitmap);
  Gdiplus::GpGraphics* graphics = nullptr;
  if (flat::GdipGetImageGraphicsContext(bitmap, &graphics) != Gdiplus::Ok) return nullptr;
  flat::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
  flat::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
  const bool drawn =
      flat::GdipDrawImageRectI(graphics, image, 0, 0, size.width, size.height) == Gdiplus::Ok;
  flat::GdipDeleteGraphics(graphics);
  return drawn ? std::move(resampled) : nullptr;
}

}  // namespace

bool DecodeAndEncodeImage(std::string_view source, const char* format, ByteArray* encoded) {
  CLSID encoder{};
  if (!FindEncoder(format, &encoder)) return false;
  const OpenedPicture picture = OpenPicture(source);
  return picture.image != nullptr && EncodeWith(picture.image.get(), encoder, encoded);
}

bool DecodeFitAndEncodeImage(std::string_view source, PictureSize box, std::int64_t max_pixels,
                             const char* format, ByteArray* encoded) {
  CLSID encoder{};
  if (!FindEncoder(format, &encoder)) return false;
  const OpenedPicture picture = OpenPicture(source);
  Gdiplus::GpImage* image = picture.image.get();
  UINT width = 0;
  UINT height = 0;
  if (image == nullptr || flat::GdipGetImageWidth(image, &width) != Gdiplus::Ok ||
      flat::GdipGetImageHeight(image, &height) != Gdiplus::Ok) {
    return false;
  }
  // The header gives the size: a huge picture is refused undecoded.
  if (width == 0 || height == 0 || std::int64_t{width} * height > max_pixels) return false;
  const PictureSize size{static_cast<int>(width), static_cast<int>(height)};
  // Drawn anew even at its own size: the encoders then always get 32-bit
  // pixels, whatever the source's format (indexed, 1 bit ...).
  ImageHolder small = Resampled(image, ShrinkToFit(size, box));
  return small != nullptr && EncodeWith(small.get(), encoder, encoded);
}

bool CanEncodeImage(const char* format) {
  CLSID encoder{};
  return FindEncoder(format, &encoder);
}

}  // namespace weibo
