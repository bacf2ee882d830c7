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

bool DecodeAndEncodeImage(std::string_view source, const char* format, ByteArray* encoded) {
  if (source.empty() || source.size() > std::numeric_limits<UINT>::max()) return false;
  CLSID encoder{};
  if (!FindEncoder(format, &encoder)) return false;
  StreamHolder input = StreamOver(source);
  if (input == nullptr) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (flat::GdipCreateBitmapFromStream(input.get(), &bitmap) != Gdiplus::Ok || bitmap == nullptr) {
    return false;
  }
  ImageHolder image(bitmap);
  IStream* raw_output = nullptr;
  if (CreateStreamOnHGlobal(nullptr, TRUE, &raw_output) != S_OK || raw_output == nullptr) {
    return false;
  }
  StreamHolder output(raw_output);
  if (flat::GdipSaveImageToStream(image.get(), output.get(), &encoder, nullptr) != Gdiplus::Ok) {
    return false;
  }
  return AppendWritten(output.get(), encoded);
}

bool CanEncodeImage(const char* format) {
  CLSID encoder{};
  return FindEncoder(format, &encoder);
}

}  // namespace weibo
