// The drawings work on a 30 x 30 grid scaled to the icon's size.
#include "app/win32/windows_api.h"
#include <objidl.h>
#include <gdiplus.h>

#include "app/win32/tool_icons.h"
#include "support/reencode_image.h"

namespace weibo {
namespace {

using Gdiplus::Color;
using Gdiplus::GraphicsPath;
using Gdiplus::PointF;
using Gdiplus::RectF;

constexpr float kGrid = 30.0f;

Color Rgb(int r, int g, int b, int a = 255) {
  return Color(static_cast<BYTE>(a), static_cast<BYTE>(r), static_cast<BYTE>(g),
               static_cast<BYTE>(b));
}

void FillAndOutline(Gdiplus::Graphics& g, const Gdiplus::Brush& fill, const Gdiplus::Pen& pen,
                    const RectF& rect) {
  g.FillRectangle(&fill, rect);
  g.DrawRectangle(&pen, rect);
}

void Polygon(Gdiplus::Graphics& g, const Gdiplus::Brush& fill, const Gdiplus::Pen* pen,
             const PointF* points, int count) {
  g.FillPolygon(&fill, points, count);
  if (pen != nullptr) g.DrawPolygon(pen, points, count);
}

// A quadratic curve from the path's last point as GDI+'s cubic Bezier.
void QuadTo(GraphicsPath& path, PointF from, PointF control, PointF to) {
  const PointF c1(from.X + 2.0f / 3.0f * (control.X - from.X),
                  from.Y + 2.0f / 3.0f * (control.Y - from.Y));
  const PointF c2(to.X + 2.0f / 3.0f * (control.X - to.X), to.Y + 2.0f / 3.0f * (control.Y - to.Y));
  path.AddBezier(from, c1, c2, to);
}

void DrawPencilAndRuler(Gdiplus::Graphics& g) {
  Gdiplus::GraphicsState state = g.Save();
  g.TranslateTransform(15, 15);
  g.RotateTransform(-45);
  Gdiplus::LinearGradientBrush wood(PointF(0, -4), PointF(0, 4), Rgb(255, 226, 120),
                                    Rgb(222, 170, 40));
  Gdiplus::Pen wood_edge(Rgb(150, 105, 20), 0.8f);
  FillAndOutline(g, wood, wood_edge, RectF(-13, -3.8f, 26, 7.6f));
  Gdiplus::Pen tick(Rgb(110, 75, 10), 0.7f);
  for (int i = 0; i < 9; ++i) {
    const float x = -11 + i * 2.75f;
    g.DrawLine(&tick, PointF(x, -3.8f), PointF(x, i % 2 == 0 ? -0.8f : -2.2f));
  }
  g.Restore(state);

  state = g.Save();
  g.TranslateTransform(15, 15);
  g.RotateTransform(45);
  Gdiplus::Pen edge(Rgb(40, 60, 120), 0.8f);
  Gdiplus::SolidBrush body(Rgb(70, 120, 220));
  FillAndOutline(g, body, edge, RectF(-12, -2.6f, 18, 5.2f));
  Gdiplus::SolidBrush eraser(Rgb(240, 150, 160));
  FillAndOutline(g, eraser, edge, RectF(-14.5f, -2.6f, 2.5f, 5.2f));
  Gdiplus::SolidBrush wood_tip(Rgb(245, 215, 170));
  const PointF tip[] = {PointF(6, -2.6f), PointF(12.5f, 0), PointF(6, 2.6f)};
  Polygon(g, wood_tip, &edge, tip, 3);
  Gdiplus::SolidBrush graphite(Rgb(50, 50, 50));
  const PointF lead[] = {PointF(10.5f, -0.8f), PointF(12.5f, 0), PointF(10.5f, 0.8f)};
  Polygon(g, graphite, &edge, lead, 3);
  g.Restore(state);
}

void DrawFolder(Gdiplus::Graphics& g) {
  Gdiplus::Pen edge(Rgb(30, 110, 40), 1);
  const PointF back[] = {PointF(2, 7),     PointF(11, 7), PointF(13.5f, 9.5f), PointF(27, 9.5f),
                         PointF(27, 25),   PointF(2, 25)};
  Gdiplus::SolidBrush back_fill(Rgb(70, 160, 70));
  Polygon(g, back_fill, &edge, back, 6);
  Gdiplus::Pen paper_edge(Rgb(160, 160, 160), 0.6f);
  Gdiplus::SolidBrush paper(Rgb(255, 255, 255));
  FillAndOutline(g, paper, paper_edge, RectF(5, 11, 19, 8));
  Gdiplus::LinearGradientBrush front(PointF(0, 13), PointF(0, 25.01f), Rgb(140, 220, 120),
                                     Rgb(60, 165, 60));
  const PointF flap[] = {PointF(2, 25), PointF(4.5f, 13.5f), PointF(29, 13.5f), PointF(27, 25)};
  Polygon(g, front, &edge, flap, 4);
}

// A picture: sky, sun and hills in a white-edged frame.
void DrawLandscape(Gdiplus::Graphics& g) {
  const RectF frame(1.5f, 3, 22, 18);
  Gdiplus::Pen frame_edge(Rgb(90, 90, 90), 1);
  Gdiplus::SolidBrush white(Rgb(255, 255, 255));
  FillAndOutline(g, white, frame_edge, frame);
  const RectF inside(frame.X + 2, frame.Y + 2, frame.Width - 4, frame.Height - 4);
  Gdiplus::LinearGradientBrush sky(PointF(0, inside.Y), PointF(0, inside.GetBottom() + 0.01f),
                                   Rgb(90, 160, 240), Rgb(190, 225, 255));
  g.FillRectangle(&sky, inside);
  Gdiplus::SolidBrush sun(Rgb(255, 210, 40));
  g.FillEllipse(&sun, RectF(17.5f - 2.2f, 8.5f - 2.2f, 4.4f, 4.4f));
  g.SetClip(inside);
  GraphicsPath hills;
  hills.AddLine(PointF(inside.X, inside.GetBottom()), PointF(inside.X, 15));
  QuadTo(hills, PointF(inside.X, 15), PointF(8, 9.5f), PointF(13, 14.5f));
  QuadTo(hills, PointF(13, 14.5f), PointF(16, 12), PointF(21.5f, 15.5f));
  hills.AddLine(PointF(21.5f, 15.5f), PointF(inside.GetRight(), inside.GetBottom()));
  hills.CloseFigure();
  Gdiplus::SolidBrush green(Rgb(60, 150, 60));
  g.FillPath(&green, &hills);
  g.ResetClip();
}

void DrawLandscapeWithMagnifier(Gdiplus::Graphics& g) {
  DrawLandscape(g);
  Gdiplus::Pen handle(Rgb(60, 40, 20), 3.2f);
  handle.SetStartCap(Gdiplus::LineCapRound);
  handle.SetEndCap(Gdiplus::LineCapRound);
  g.DrawLine(&handle, PointF(23.5f, 23.5f), PointF(28, 28));
  GraphicsPath lens;
  lens.AddEllipse(RectF(14, 14, 11, 11));
  Gdiplus::PathGradientBrush glass(&lens);
  glass.SetCenterPoint(PointF(18.5f, 18));
  glass.SetCenterColor(Rgb(255, 255, 255, 200));
  Color rim = Rgb(170, 210, 255, 150);
  INT rim_count = 1;
  glass.SetSurroundColors(&rim, &rim_count);
  g.FillPath(&glass, &lens);
  Gdiplus::Pen lens_edge(Rgb(70, 70, 80), 1.8f);
  g.DrawPath(&lens_edge, &lens);
}

void DrawInformation(Gdiplus::Graphics& g) {
  GraphicsPath ball_path;
  ball_path.AddEllipse(RectF(2, 2, 26, 26));
  Gdiplus::PathGradientBrush ball(&ball_path);
  ball.SetCenterPoint(PointF(11, 10));
  ball.SetCenterColor(Rgb(110, 170, 255));
  Color rim = Rgb(20, 80, 190);
  INT rim_count = 1;
  ball.SetSurroundColors(&rim, &rim_count);
  g.FillPath(&ball, &ball_path);
  Gdiplus::Pen edge(Rgb(15, 60, 150), 1);
  g.DrawPath(&edge, &ball_path);
  Gdiplus::SolidBrush white(Rgb(255, 255, 255));
  g.FillEllipse(&white, RectF(15 - 2.2f, 8.5f - 2.2f, 4.4f, 4.4f));
  g.FillRectangle(&white, RectF(13, 12.5f, 4, 11));
  g.FillRectangle(&white, RectF(11.5f, 12.5f, 3, 2));
  g.FillRectangle(&white, RectF(11.5f, 21.5f, 7, 2));
}

void DrawFloppyWithArrow(Gdiplus::Graphics& g) {
  const PointF body[] = {PointF(2, 2), PointF(23, 2), PointF(27, 6), PointF(27, 27), PointF(2, 27)};
  Gdiplus::Pen edge(Rgb(20, 90, 30), 1);
  Gdiplus::SolidBrush green(Rgb(50, 150, 60));
  Polygon(g, green, &edge, body, 5);
  Gdiplus::SolidBrush metal(Rgb(200, 205, 210));
  g.FillRectangle(&metal, RectF(7, 2.5f, 13, 8));
  Gdiplus::SolidBrush slot(Rgb(60, 70, 80));
  g.FillRectangle(&slot, RectF(15, 4, 3, 5));
  Gdiplus::SolidBrush label(Rgb(255, 255, 255));
  g.FillRectangle(&label, RectF(5.5f, 15, 18, 11));
  Gdiplus::SolidBrush red(Rgb(220, 60, 40));
  const PointF arrow[] = {PointF(12.5f, 16), PointF(16.5f, 16),   PointF(16.5f, 20),
                          PointF(19.5f, 20), PointF(14.5f, 25.5f), PointF(9.5f, 20),
                          PointF(12.5f, 20)};
  Polygon(g, red, nullptr, arrow, 7);
}

void DrawApplicationPicture(Gdiplus::Graphics& g) {
  DrawLandscape(g);
  Gdiplus::Pen edge(Rgb(20, 90, 30), 1);
  Gdiplus::SolidBrush green(Rgb(60, 170, 70));
  const PointF arrow[] = {PointF(19, 13), PointF(25, 13), PointF(25, 20),   PointF(29, 20),
                          PointF(22, 28.5f), PointF(15, 20), PointF(19, 20)};
  Polygon(g, green, &edge, arrow, 7);
}

HICON Draw(int size, void (*draw)(Gdiplus::Graphics&)) {
  if (size <= 0 || !StartImageCodecs()) return nullptr;  // starts GDI+ once
  Gdiplus::Bitmap bitmap(size, size, PixelFormat32bppARGB);
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return nullptr;
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Rgb(0, 0, 0, 0));
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.ScaleTransform(size / kGrid, size / kGrid);
    draw(graphics);
  }
  HICON icon = nullptr;
  if (bitmap.GetHICON(&icon) != Gdiplus::Ok) return nullptr;
  return icon;
}

}  // namespace

HICON ToolIcon(int index, int size) {
  switch (index) {
    case 0:
      return Draw(size, DrawPencilAndRuler);
    case 1:
      return Draw(size, DrawFolder);
    case 2:
      return Draw(size, DrawLandscapeWithMagnifier);
    case 3:
      return Draw(size, DrawInformation);
    case 4:
      return Draw(size, DrawFloppyWithArrow);
    default:
      return nullptr;
  }
}

HICON ApplicationIcon(int size) { return Draw(size, DrawApplicationPicture); }

}  // namespace weibo
