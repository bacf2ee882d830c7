#include "app/win32/gdi_pictures.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "support/picture_fit.h"
#include "support/reencode_image.h"

namespace weibo {
namespace {

// The bitmap of a BMP file in memory, or null.
HBITMAP BitmapFromBmpFile(const ByteArray& file) {
  if (file.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPFILEHEADER header;
  std::memcpy(&header, file.data(), sizeof(header));
  if (header.bfType != 0x4D42 || header.bfOffBits >= file.size()) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof(header));
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, file.data() + header.bfOffBits,
                                  info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace

HBITMAP DecodePicture(const ByteArray& bytes) {
  ByteArray bmp;
  if (bytes.empty() || !ReencodeImage(bytes, kImageBmp, &bmp)) return nullptr;
  return BitmapFromBmpFile(bmp);
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0) return SIZE{0, 0};
  return SIZE{info.bmWidth, std::abs(info.bmHeight)};
}

HBITMAP FittedBitmap(HBITMAP picture, int width, int height, COLORREF ground) {
  HDC screen = GetDC(nullptr);
  HBITMAP result = CreateCompatibleBitmap(screen, width, height);
  HDC target = CreateCompatibleDC(screen);
  HGDIOBJ old_target = SelectObject(target, result);
  HBRUSH brush = CreateSolidBrush(ground);
  RECT all{0, 0, width, height};
  FillRect(target, &all, brush);
  DeleteObject(brush);
  const SIZE size = BitmapSize(picture);
  if (size.cx > 0 && size.cy > 0) {
    const PictureSize shown =
        FitInside(PictureSize{size.cx, size.cy}, PictureSize{width, height});
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ old_source = SelectObject(source, picture);
    SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, CentredOffset(width, shown.width), CentredOffset(height, shown.height),
               shown.width, shown.height, source, 0, 0, size.cx, size.cy, SRCCOPY);
    SelectObject(source, old_source);
    DeleteDC(source);
  } else {
    const int inset = width * 12 / 100;
    LOGBRUSH dash_brush{BS_SOLID, RGB(190, 190, 190), 0};
    HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_DASH, 2, &dash_brush, 0, nullptr);
    HBRUSH card = CreateSolidBrush(RGB(245, 245, 245));
    HGDIOBJ old_pen = SelectObject(target, pen);
    HGDIOBJ old_brush = SelectObject(target, card);
    RoundRect(target, inset, inset, width - inset, height - inset, width / 20, height / 20);
    SelectObject(target, old_brush);
    SelectObject(target, old_pen);
    DeleteObject(card);
    DeleteObject(pen);
  }
  SelectObject(target, old_target);
  DeleteDC(target);
  ReleaseDC(nullptr, screen);
  return result;
}

}  // namespace weibo
