#include "gui/base/program_bitmap.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "gui/base/desktop_style.h"

namespace kestrix::gui {
namespace {

// The artwork is drawn on a 400 x 160 canvas and scaled to the size asked for.
constexpr QRect kCanvas(0, 0, 400, 160);
const QColor kNight(12, 22, 38);
const QColor kGold(231, 190, 67);

// A kestrel gliding to the right, wings swept back.
QPainterPath Kestrel() {
  QPainterPath bird;
  bird.moveTo(70, 82);
  bird.cubicTo(95, 70, 120, 66, 142, 70);   // back to the head
  bird.lineTo(152, 74);                      // beak
  bird.lineTo(141, 78);
  bird.cubicTo(128, 82, 118, 86, 112, 90);  // breast
  bird.cubicTo(98, 112, 74, 126, 44, 132);  // lower wing trailing edge
  bird.cubicTo(68, 116, 82, 102, 88, 92);
  bird.cubicTo(70, 96, 52, 100, 30, 98);    // tail
  bird.cubicTo(46, 92, 58, 88, 70, 82);
  bird.moveTo(104, 72);
  bird.cubicTo(96, 52, 80, 36, 52, 24);     // upper wing leading edge
  bird.cubicTo(86, 34, 108, 48, 122, 68);
  bird.closeSubpath();
  return bird;
}

QFont CanvasFont(int pixels, bool bold) {
  QFont font = LogoFont();
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

QPixmap ProgramBitmap(QSize size) {
  QPixmap pixmap(size);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setWindow(kCanvas);
  painter.setViewport(pixmap.rect());

  QLinearGradient sky(0, 0, 0, kCanvas.height());
  sky.setColorAt(0, kNight.lighter(170));
  sky.setColorAt(1, kNight);
  painter.fillRect(kCanvas, sky);

  painter.setPen(Qt::NoPen);
  painter.setBrush(kGold);
  painter.drawPath(Kestrel());

  painter.setPen(kLightColour);
  painter.setFont(CanvasFont(44, true));
  painter.drawText(QRect(170, 34, 220, 52), Qt::AlignLeft | Qt::AlignVCenter, "KESTRIX");
  painter.setPen(kLogoBlue);
  painter.setFont(CanvasFont(22, true));
  painter.drawText(QRect(172, 86, 220, 28), Qt::AlignLeft | Qt::AlignVCenter, "HALVORN");
  painter.setPen(QPen(kGold, 2));
  painter.drawLine(172, 118, 380, 118);
  painter.setPen(kLightColour);
  painter.setFont(CanvasFont(13, false));
  painter.drawText(QRect(172, 122, 220, 20), Qt::AlignLeft | Qt::AlignVCenter, "Pilot client");
  return pixmap;
}

}  // namespace kestrix::gui
