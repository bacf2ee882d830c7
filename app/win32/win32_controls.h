// What the Win32 windows share: the controls' identifiers and names, the
// command identifiers of the menus and the tool bar, the private messages,
// and pixel scaling for the screen's DPI.
#pragma once

#include "app/win32/windows_api.h"

#include <string_view>

#include "app/window_layout.h"
#include "flow/window_ops.h"

namespace weibo {

// Control identifiers; ControlName gives each one's name.
enum Win32ControlId : int {
  kIdPictureBox = 1001,  // 图片框1
  kIdLabel = 1002,       // 标签1
  kIdBand = 1003,        // 外形框1
  kIdToolBar = 1004,     // 工具条1
  kIdAlbumView = 1005,   // 超级列表框1
  kIdStatusBar = 1006,   // 状态条1
};

// The name of a control ("超级列表框1"), or empty for an unknown id.
std::wstring_view ControlName(int id);
// The id of a named control, or 0.
int ControlIdOf(std::wstring_view name);

// Menu items are commands kMenuCommandBase + the MenuItem's value; tool bar
// buttons kToolCommandBase + their index.
inline constexpr int kMenuCommandBase = 200;
inline constexpr int kToolCommandBase = 300;
inline constexpr int kToolButtonCount = 3;

// Private messages of the two windows.
inline constexpr UINT kMsgFirstActivation = WM_APP + 10;  // runs the first-activation event
inline constexpr UINT kMsgDestroy = WM_APP + 11;          // queued destruction

// Pixels of the layout (drawn for 96 dots per inch) on the screen at hand.
class DpiScale {
 public:
  explicit DpiScale(int dpi = 96) : dpi_(dpi > 0 ? dpi : 96) {}
  // The screen's DPI as this process sees it.
  static DpiScale OfScreen();
  int operator()(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  RECT Rect(LayoutRect rect) const;
  int Dpi() const { return dpi_; }

 private:
  int dpi_;
};

}  // namespace weibo
