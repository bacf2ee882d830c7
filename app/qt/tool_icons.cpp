#include "app/qt/tool_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include "app/window_layout.h"

namespace weibo {
namespace {

// Every picture is drawn on a 30 x 30 grid and scaled to the pixmap's size.
constexpr qreal kGrid = 30.0;

void Prepare(QPainter& painter, int size) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / kGrid, size / kGrid);
}

void DrawPencilAndRuler(QPainter& p) {
  // Ruler: a yellow bar lying from bottom left to top right, with ticks.
  p.save();
  p.translate(15, 15);
  p.rotate(-45);
  QLinearGradient wood(0, -4, 0, 4);
  wood.setColorAt(0, QColor(255, 226, 120));
  wood.setColorAt(1, QColor(222, 170, 40));
  p.setPen(QPen(QColor(150, 105, 20), 0.8));
  p.setBrush(wood);
  p.drawRect(QRectF(-13, -3.8, 26, 7.6));
  p.setPen(QPen(QColor(110, 75, 10), 0.7));
  for (int i = 0; i < 9; ++i) {
    const qreal x = -11 + i * 2.75;
    p.drawLine(QPointF(x, -3.8), QPointF(x, i % 2 == 0 ? -0.8 : -2.2));
  }
  p.restore();
  // Pencil: crossing the ruler from top left to bottom right.
  p.save();
  p.translate(15, 15);
  p.rotate(45);
  p.setPen(QPen(QColor(40, 60, 120), 0.8));
  p.setBrush(QColor(70, 120, 220));
  p.drawRect(QRectF(-12, -2.6, 18, 5.2));
  p.setBrush(QColor(240, 150, 160));
  p.drawRect(QRectF(-14.5, -2.6, 2.5, 5.2));
  p.setBrush(QColor(245, 215, 170));
  QPolygonF tip;
  tip << QPointF(6, -2.6) << QPointF(12.5, 0) << QPointF(6, 2.6);
  p.drawPolygon(tip);
  p.setBrush(QColor(50, 50, 50));
  QPolygonF lead;
  lead << QPointF(10.5, -0.8) << QPointF(12.5, 0) << QPointF(10.5, 0.8);
  p.drawPolygon(lead);
  p.restore();
}

void DrawFolder(QPainter& p) {
  const QColor edge(30, 110, 40);
  // Back with its tab.
  QPainterPath back;
  back.moveTo(2, 7);
  back.lineTo(11, 7);
  back.lineTo(13.5, 9.5);
  back.lineTo(27, 9.5);
  back.lineTo(27, 25);
  back.lineTo(2, 25);
  back.closeSubpath();
  p.setPen(QPen(edge, 1));
  p.setBrush(QColor(70, 160, 70));
  p.drawPath(back);
  // Sheet of paper peeking out.
  p.setPen(QPen(QColor(160, 160, 160), 0.6));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5, 11, 19, 8));
  // Front flap.
  QLinearGradient front(0, 13, 0, 25);
  front.setColorAt(0, QColor(140, 220, 120));
  front.setColorAt(1, QColor(60, 165, 60));
  QPainterPath flap;
  flap.moveTo(2, 25);
  flap.lineTo(4.5, 13.5);
  flap.lineTo(29, 13.5);
  flap.lineTo(27, 25);
  flap.closeSubpath();
  p.setPen(QPen(edge, 1));
  p.setBrush(front);
  p.drawPath(flap);
}

// A picture: sky, sun and hills in a white-edged frame.
void DrawLandscape(QPainter& p) {
  const QRectF frame(1.5, 3, 22, 18);
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(Qt::white);
  p.drawRect(frame);
  const QRectF inside = frame.adjusted(2, 2, -2, -2);
  QLinearGradient sky(0, inside.top(), 0, inside.bottom());
  sky.setColorAt(0, QColor(90, 160, 240));
  sky.setColorAt(1, QColor(190, 225, 255));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRect(inside);
  p.setBrush(QColor(255, 210, 40));
  p.drawEllipse(QPointF(17.5, 8.5), 2.2, 2.2);
  p.setClipRect(inside);
  QPainterPath hills;
  hills.moveTo(inside.left(), inside.bottom());
  hills.lineTo(inside.left(), 15);
  hills.quadTo(8, 9.5, 13, 14.5);
  hills.quadTo(16, 12, 21.5, 15.5);
  hills.lineTo(inside.right(), inside.bottom());
  hills.closeSubpath();
  p.setBrush(QColor(60, 150, 60));
  p.drawPath(hills);
  p.setClipping(false);
}

void DrawLandscapeWithMagnifier(QPainter& p) {
  DrawLandscape(p);
  // The magnifying glass over the bottom right corner.
  p.setPen(QPen(QColor(60, 40, 20), 3.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(23.5, 23.5), QPointF(28, 28));
  QRadialGradient glass(QPointF(18.5, 18), 6);
  glass.setColorAt(0, QColor(255, 255, 255, 200));
  glass.setColorAt(1, QColor(170, 210, 255, 150));
  p.setPen(QPen(QColor(70, 70, 80), 1.8));
  p.setBrush(glass);
  p.drawEllipse(QPointF(19.5, 19.5), 5.5, 5.5);
}

void DrawInformation(QPainter& p) {
  QRadialGradient ball(QPointF(11, 10), 16);
  ball.setColorAt(0, QColor(110, 170, 255));
  ball.setColorAt(1, QColor(20, 80, 190));
  p.setPen(QPen(QColor(15, 60, 150), 1));
  p.setBrush(ball);
  p.drawEllipse(QPointF(15, 15), 13, 13);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(15, 8.5), 2.2, 2.2);
  p.drawRoundedRect(QRectF(13, 12.5, 4, 11), 1, 1);
  p.drawRect(QRectF(11.5, 12.5, 3, 2));
  p.drawRect(QRectF(11.5, 21.5, 7, 2));
}

void DrawFloppyWithArrow(QPainter& p) {
  // The disk body with a cut corner.
  QPainterPath body;
  body.moveTo(2, 2);
  body.lineTo(23, 2);
  body.lineTo(27, 6);
  body.lineTo(27, 27);
  body.lineTo(2, 27);
  body.closeSubpath();
  p.setPen(QPen(QColor(20, 90, 30), 1));
  p.setBrush(QColor(50, 150, 60));
  p.drawPath(body);
  // Metal shutter and label.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 205, 210));
  p.drawRect(QRectF(7, 2.5, 13, 8));
  p.setBrush(QColor(60, 70, 80));
  p.drawRect(QRectF(15, 4, 3, 5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5.5, 15, 18, 11));
  // The down arrow on the label.
  p.setBrush(QColor(220, 60, 40));
  QPolygonF arrow;
  arrow << QPointF(12.5, 16) << QPointF(16.5, 16) << QPointF(16.5, 20) << QPointF(19.5, 20)
        << QPointF(14.5, 25.5) << QPointF(9.5, 20) << QPointF(12.5, 20);
  p.drawPolygon(arrow);
}

QPixmap Draw(int size, void (*draw)(QPainter&)) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  Prepare(painter, size);
  draw(painter);
  return pixmap;
}

// The landscape with a download arrow over its bottom right corner.
void DrawApplicationPicture(QPainter& p) {
  DrawLandscape(p);
  p.setPen(QPen(QColor(20, 90, 30), 1));
  p.setBrush(QColor(60, 170, 70));
  QPolygonF arrow;
  arrow << QPointF(19, 13) << QPointF(25, 13) << QPointF(25, 20) << QPointF(29, 20)
        << QPointF(22, 28.5) << QPointF(15, 20) << QPointF(19, 20);
  p.drawPolygon(arrow);
}

}  // namespace

QPixmap ToolPicture(int index) {
  switch (index) {
    case 0:
      return Draw(kToolIconSize, DrawPencilAndRuler);
    case 1:
      return Draw(kToolIconSize, DrawFolder);
    case 2:
      return Draw(kToolIconSize, DrawLandscapeWithMagnifier);
    case 3:
      return Draw(kToolIconSize, DrawInformation);
    case 4:
      return Draw(kToolIconSize, DrawFloppyWithArrow);
    default:
      return QPixmap();
  }
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(Draw(size, DrawApplicationPicture));
  return icon;
}

QPixmap MissingPicture(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal inset = size * 0.12;
  const QRectF card(inset, inset, size - 2 * inset, size - 2 * inset);
  p.setPen(QPen(QColor(190, 190, 190), 1.5, Qt::DashLine));
  p.setBrush(QColor(245, 245, 245));
  p.drawRoundedRect(card, size * 0.04, size * 0.04);
  // A faded picture symbol in the middle.
  p.save();
  p.translate(card.center() - QPointF(size * 0.2, size * 0.2));
  p.scale(size * 0.4 / kGrid, size * 0.4 / kGrid);
  p.setOpacity(0.35);
  DrawLandscapeWithMagnifier(p);
  p.restore();
  return pixmap;
}

}  // namespace weibo
