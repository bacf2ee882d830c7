#include "tools/weibo-sim/pictures.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "tools/weibo-sim/deterministic.h"
#include "tools/weibo-sim/image_encoding.h"
#include "tools/weibo-sim/raster.h"

namespace weibo::sim {
namespace {

constexpr int kVariants = 16;
constexpr int kJpegQuality = 85;

struct SizeRule {
  const char* segment;
  int max_width;  // 0: no limit
  int square;     // 0: keep the aspect ratio
};

constexpr SizeRule kSizes[] = {
    {"large", 0, 0},     {"mw1024", 1024, 0},  {"mw690", 690, 0},  {"bmiddle", 440, 0},
    {"thumb300", 0, 300}, {"thumb150", 0, 150}, {"square", 0, 80},
};

const SizeRule* FindSize(std::string_view segment) {
  for (const SizeRule& rule : kSizes) {
    if (segment == rule.segment) return &rule;
  }
  return nullptr;
}

struct Dimensions {
  int width;
  int height;
};

Dimensions OriginalSize(PictureFormat format, int variant) {
  static constexpr std::array<int, 8> kPhotoWidths = {640, 800, 960, 1024, 1280, 1440, 1600, 2048};
  static constexpr std::array<Dimensions, 4> kAspects = {{{4, 3}, {3, 4}, {16, 9}, {1, 1}}};
  int width = format == PictureFormat::kJpeg ? kPhotoWidths[variant % 8] : 160 + 60 * (variant % 8);
  Dimensions aspect = kAspects[(variant / 8 + variant) % 4];
  return {width, width * aspect.height / aspect.width};
}

Dimensions SegmentSize(const SizeRule& rule, Dimensions original) {
  if (rule.square > 0) {
    int side = std::min({rule.square, original.width, original.height});
    return {side, side};
  }
  if (rule.max_width > 0 && original.width > rule.max_width) {
    return {rule.max_width, original.height * rule.max_width / original.width};
  }
  return original;
}

std::uint32_t Crc32(std::string_view bytes) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutBe(ByteArray& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Comment segments after the JPEG start marker and its JFIF segment, which
// strict readers expect first. The first carries the text; later ones, when
// the text is too long for one segment, carry the rest.
ByteArray WithJpegComment(const ByteArray& jpeg, const Text& text) {
  std::size_t at = 2;
  if (jpeg.size() > 6 && static_cast<unsigned char>(jpeg[2]) == 0xFF &&
      static_cast<unsigned char>(jpeg[3]) == 0xE0) {
    at += 2 + (static_cast<std::size_t>(static_cast<unsigned char>(jpeg[4])) << 8) +
          static_cast<unsigned char>(jpeg[5]);
  }
  ByteArray segments;
  for (std::size_t from = 0; from < text.size() || from == 0; from += 65533) {
    std::size_t length = std::min<std::size_t>(65533, text.size() - from);
    segments += "\xFF\xFE";
    PutBe(segments, static_cast<std::uint32_t>(length + 2), 2);
    segments.append(text, from, length);
  }
  return jpeg.substr(0, at) + segments + jpeg.substr(at);
}

// A tEXt chunk right after the PNG header chunk (signature 8 + IHDR 25 bytes).
ByteArray WithPngComment(const ByteArray& png, const Text& text) {
  Text data = Text("tEXtComment") + '\0' + text;
  ByteArray chunk;
  PutBe(chunk, static_cast<std::uint32_t>(data.size() - 4), 4);
  chunk += data;
  PutBe(chunk, Crc32(data), 4);
  return png.substr(0, 33) + chunk + png.substr(33);
}

// A comment extension after the global colour table.
ByteArray WithGifComment(const ByteArray& gif, const Text& text) {
  std::size_t table = std::size_t{3} << ((static_cast<unsigned char>(gif[10]) & 7) + 1);
  std::size_t at = 13 + table;
  ByteArray block = "\x21\xFE";
  for (std::size_t i = 0; i < text.size(); i += 255) {
    std::size_t length = std::min<std::size_t>(255, text.size() - i);
    block += static_cast<char>(length);
    block.append(text, i, length);
  }
  block += '\0';
  return gif.substr(0, at) + block + gif.substr(at);
}

ByteArray EncodeScene(PictureFormat format, const Raster& raster) {
  switch (format) {
    case PictureFormat::kPng: return EncodePng(raster);
    case PictureFormat::kGif: return EncodeGif(raster);
    case PictureFormat::kJpeg: break;
  }
  return EncodeJpeg(raster, kJpegQuality);
}

const char* ContentType(PictureFormat format) {
  switch (format) {
    case PictureFormat::kPng: return "image/png";
    case PictureFormat::kGif: return "image/gif";
    case PictureFormat::kJpeg: break;
  }
  return "image/jpeg";
}

}  // namespace

bool IsPictureSize(std::string_view segment) { return FindSize(segment) != nullptr; }

PictureFormat FormatOfName(std::string_view pic_name) {
  Text lower = AsciiLower(pic_name);
  if (lower.ends_with(".gif")) return PictureFormat::kGif;
  if (lower.ends_with(".png")) return PictureFormat::kPng;
  return PictureFormat::kJpeg;
}

PictureStore::PictureStore(int picture_kib) : picture_kib_(std::max(0, picture_kib)) {}

std::shared_ptr<const PictureStore::Scene> PictureStore::SceneFor(PictureFormat format,
                                                                  std::string_view segment,
                                                                  int variant) const {
  Text key = std::to_string(static_cast<int>(format)) + "/" + Text(segment) + "/" +
             std::to_string(variant);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = scenes_.find(key);
    if (found != scenes_.end()) return found->second;
  }
  Dimensions size = SegmentSize(*FindSize(segment), OriginalSize(format, variant));
  bool flat = format != PictureFormat::kJpeg;
  Raster raster = DrawPhoto(static_cast<std::uint64_t>(variant), size.width, size.height, flat);
  auto scene = std::make_shared<Scene>(Scene{EncodeScene(format, raster), size.width, size.height});
  std::lock_guard<std::mutex> lock(mutex_);
  return scenes_.emplace(key, scene).first->second;
}

std::optional<Picture> PictureStore::Render(std::string_view size_segment,
                                            std::string_view pic_name) const {
  if (!IsPictureSize(size_segment)) return std::nullopt;
  PictureFormat format = FormatOfName(pic_name);
  int variant = static_cast<int>(HashText(pic_name) % kVariants);
  std::shared_ptr<const Scene> scene = SceneFor(format, size_segment, variant);
  Text comment = "weibo-sim " + Text(size_segment) + "/" + Text(pic_name);
  std::size_t target = static_cast<std::size_t>(picture_kib_) * 1024;
  // Each format wraps the comment in a few bytes of its own; the filler
  // makes up the rest of the padding.
  std::size_t overhead = scene->bytes.size() + comment.size() + 24;
  if (target > overhead) {
    comment += ' ';
    comment += HexDigits(Mix(HashText(pic_name), HashText(size_segment)),
                         static_cast<int>(target - overhead));
  }
  Picture picture;
  picture.content_type = ContentType(format);
  picture.width = scene->width;
  picture.height = scene->height;
  switch (format) {
    case PictureFormat::kJpeg: picture.bytes = WithJpegComment(scene->bytes, comment); break;
    case PictureFormat::kPng: picture.bytes = WithPngComment(scene->bytes, comment); break;
    case PictureFormat::kGif: picture.bytes = WithGifComment(scene->bytes, comment); break;
  }
  return picture;
}

ByteArray PictureStore::QrPicture(std::string_view text, int size) const {
  std::vector<bool> dark;
  int modules = 0;
  if (!EncodeQr(text, &dark, &modules)) return {};
  return EncodePng(DrawQr(dark, modules, std::clamp(size, 64, 1024)));
}

ByteArray PictureStore::Placeholder() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (placeholder_.empty()) placeholder_ = EncodePng(DrawPlaceholder(150));
  return placeholder_;
}

}  // namespace weibo::sim
