// Pictures for the windows as GDI bitmaps: encoded picture bytes decoded
// through the image layer, and bitmaps fitted into a fixed box. Every bitmap
// returned belongs to the caller (DeleteObject). Any thread.
#pragma once

#include "app/win32/windows_api.h"

#include "support/text_rules.h"

namespace weibo {

// The picture `bytes` hold (anything the image layer reads), as a 32-bit
// bitmap; null when the bytes are no picture.
HBITMAP DecodePicture(const ByteArray& bytes);

// The width and height of `bitmap`; 0 x 0 for null.
SIZE BitmapSize(HBITMAP bitmap);

// A `width` x `height` bitmap filled with `ground` showing `picture` fitted
// into it (FitInside: shrunk or enlarged, proportions kept), centred. A null
// `picture` gives the ground with a dashed grey card, the stand-in for a
// picture that could not be shown.
HBITMAP FittedBitmap(HBITMAP picture, int width, int height, COLORREF ground);

}  // namespace weibo
