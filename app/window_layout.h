// The fixed layout of the tool's windows and dialogs, in pixels unless said
// otherwise. Positions of controls are relative to the client area of their
// window (below the menu bar) or to their parent control.
#pragma once

namespace weibo {

struct LayoutRect {
  int left;
  int top;
  int width;
  int height;
};

struct LayoutSize {
  int width;
  int height;
};

// The window sizes are outer sizes, frame included, measured on a fixed
// single-border window with a caption bar: 3 pixels of border on the left,
// right and bottom, 28 on top (border and caption). The client area is what
// remains; the window system adds its own frame around it.
inline constexpr int kFrameSide = 3;
inline constexpr int kFrameTop = 28;

constexpr LayoutSize ClientSizeFor(LayoutSize outer) {
  return {outer.width - 2 * kFrameSide, outer.height - kFrameTop - kFrameSide};
}

// The top-left corner that centres a window of `outer` size in the area at
// (area_left, area_top) of area_width x area_height.
constexpr LayoutRect CentredRect(LayoutSize outer, int area_left, int area_top, int area_width,
                                 int area_height) {
  return {area_left + (area_width - outer.width) / 2, area_top + (area_height - outer.height) / 2,
          outer.width, outer.height};
}

// Sign-in window.
inline constexpr LayoutSize kSignInOuterSize{300, 400};
inline constexpr LayoutRect kPictureBoxRect{60, 76, 182, 182};  // 1-pixel border, 180 x 180 inside
inline constexpr LayoutRect kSignInLabelRect{25, 280, 250, 24};

// Main window. The menu bar sits above the client area; the status bar is
// docked along the bottom edge and spans the whole width.
inline constexpr LayoutSize kMainOuterSize{665, 560};
inline constexpr LayoutRect kBandRect{-1, 0, 744, 43};    // 外形框1
inline constexpr LayoutRect kToolBarRect{8, 8, 604, 30};  // 工具条1, inside the band
inline constexpr int kToolBarIndent = 10;  // the first button's distance from the bar's left end
inline constexpr int kToolIconSize = 30;
inline constexpr int kToolIconCount = 5;
inline constexpr LayoutRect kAlbumViewRect{10, 55, 640, 424};  // 超级列表框1
inline constexpr int kAlbumIconSize = 150;
inline constexpr int kStatusBarHeight = 20;  // 状态条1
inline constexpr int kBandLineGrey = 192;    // the band's outline, RGB 192, 192, 192

// Which picture of the tool bar's image list each button shows.
inline constexpr int kToolButtonPicture[3] = {2, 1, 3};

// The album popup opens this many pixels right of and below the pointer.
inline constexpr int kPopupOffset = 3;

// Input box, in dialog units of its font (宋体 9 pt). A horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its height; for that font at 96 dpi these are 6 and 12 pixels.
inline constexpr int kDialogBaseWidth = 6;
inline constexpr int kDialogBaseHeight = 12;
inline constexpr LayoutSize kInputBoxUnits{252, 92};
inline constexpr LayoutRect kInputFrameUnits{7, 7, 238, 35};
inline constexpr LayoutRect kInputPromptUnits{12, 11, 229, 27};
inline constexpr LayoutRect kInputEditUnits{7, 45, 238, 12};
inline constexpr LayoutRect kInputOkUnits{63, 66, 55, 19};
inline constexpr LayoutRect kInputCancelUnits{134, 66, 55, 19};

// Dialog units to pixels, rounding halves away from zero.
constexpr int DialogUnitsToPixels(int units, int base, int divisor) {
  const int scaled = units * base * 2;
  return scaled >= 0 ? (scaled + divisor) / (2 * divisor) : -((-scaled + divisor) / (2 * divisor));
}
constexpr LayoutRect DialogRectToPixels(LayoutRect units) {
  return {DialogUnitsToPixels(units.left, kDialogBaseWidth, 4),
          DialogUnitsToPixels(units.top, kDialogBaseHeight, 8),
          DialogUnitsToPixels(units.width, kDialogBaseWidth, 4),
          DialogUnitsToPixels(units.height, kDialogBaseHeight, 8)};
}
constexpr LayoutSize DialogSizeToPixels(LayoutSize units) {
  return {DialogUnitsToPixels(units.width, kDialogBaseWidth, 4),
          DialogUnitsToPixels(units.height, kDialogBaseHeight, 8)};
}

}  // namespace weibo
