#include "app/win32/win32_controls.h"

namespace weibo {
namespace {

struct NamedControl {
  int id;
  std::wstring_view name;
};

constexpr NamedControl kNames[] = {
    {kIdPictureBox, L"\u56FE\u7247\u6846\u0031"},                      // 图片框1
    {kIdLabel, L"\u6807\u7B7E\u0031"},                                 // 标签1
    {kIdBand, L"\u5916\u5F62\u6846\u0031"},                            // 外形框1
    {kIdToolBar, L"\u5DE5\u5177\u6761\u0031"},                         // 工具条1
    {kIdAlbumView, L"\u8D85\u7EA7\u5217\u8868\u6846\u0031"},           // 超级列表框1
    {kIdStatusBar, L"\u72B6\u6001\u6761\u0031"},                       // 状态条1
};

}  // namespace

std::wstring_view ControlName(int id) {
  for (const NamedControl& control : kNames) {
    if (control.id == id) return control.name;
  }
  return {};
}

int ControlIdOf(std::wstring_view name) {
  for (const NamedControl& control : kNames) {
    if (control.name == name) return control.id;
  }
  return 0;
}

DpiScale DpiScale::OfScreen() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return DpiScale(dpi);
}

RECT DpiScale::Rect(LayoutRect rect) const {
  const int left = (*this)(rect.left);
  const int top = (*this)(rect.top);
  return RECT{left, top, left + (*this)(rect.width), top + (*this)(rect.height)};
}

}  // namespace weibo
