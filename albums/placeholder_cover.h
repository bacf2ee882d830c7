// The icon of an album whose cover picture cannot be had.
#pragma once

#include "support/text_rules.h"

namespace weibo {

inline constexpr int kAlbumIconSize = 150;

// Covers are kept fitted into this square: the icon at 200 % of the
// screen's scale, so that the windows draw them sharp up to there.
inline constexpr int kCoverKeptSize = 2 * kAlbumIconSize;

// A 150 x 150 picture in BMP form (24-bit, uncompressed): a grey frame with
// the outline of a landscape, the usual sign for "picture missing". The same
// bytes on every call. Pure; any thread.
ByteArray PlaceholderCoverIcon();

}  // namespace weibo
