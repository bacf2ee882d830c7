// The picture files of the picture hosts, the QR code pictures and the
// static host's placeholder. A picture's bytes depend only on its name, its
// size segment and the padding size: the scene and pixel size come from a
// variant drawn from the name, and a comment carrying the name (plus filler
// up to the padding size) makes every file unique. Thread-safe; encoded
// scenes are cached, so repeated requests cost a copy.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "support/text_rules.h"

namespace weibo::sim {

enum class PictureFormat { kJpeg, kPng, kGif };

struct Picture {
  ByteArray bytes;
  const char* content_type = "";
  int width = 0;
  int height = 0;
};

// The size segments served, without slashes: "large" (the original),
// "mw1024", "mw690" and "bmiddle" (at most 1024, 690 and 440 pixels wide),
// "thumb300", "thumb150" and "square" (squares of 300, 150 and 80 pixels, the
// first being the one album covers use).
bool IsPictureSize(std::string_view segment);

// GIF for names ending in ".gif", PNG for ".png", JPEG otherwise.
PictureFormat FormatOfName(std::string_view pic_name);

class PictureStore {
 public:
  // With `picture_kib` above 0, pictures smaller than that are padded to
  // about that many KiB.
  explicit PictureStore(int picture_kib);

  // Nullopt for a segment that IsPictureSize refuses.
  std::optional<Picture> Render(std::string_view size_segment, std::string_view pic_name) const;

  // A PNG QR code of `text`, `size` pixels square (clamped to 64..1024);
  // empty when the text is too long for a QR code.
  ByteArray QrPicture(std::string_view text, int size) const;

  // The 150-pixel PNG that stands in for a missing album cover.
  ByteArray Placeholder() const;

 private:
  struct Scene {
    ByteArray bytes;
    int width = 0;
    int height = 0;
  };
  std::shared_ptr<const Scene> SceneFor(PictureFormat format, std::string_view segment,
                                        int variant) const;

  int picture_kib_;
  mutable std::mutex mutex_;
  mutable std::map<Text, std::shared_ptr<const Scene>> scenes_;
  mutable ByteArray placeholder_;
};

}  // namespace weibo::sim
