#include "gui/flight/flight_art.h"

#include <QPainter>
#include <QRadialGradient>

#include "gui/base/desktop_style.h"
#include "recorder/flight_view.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTrayIconSize(32, 32);
const QColor kRecordingGreen(60, 210, 90);
const QColor kWaitingAmber(240, 170, 40);
const QColor kStoppedRed(210, 50, 45);
const QColor kStoppedGrey(140, 140, 140);

QColor LightColour(int id) {
  switch (id) {
    case RecorderArt::LightRecording:
    case RecorderArt::TrayRecording:
      return kRecordingGreen;
    case RecorderArt::LightNotRecording:
    case RecorderArt::TrayNotRecording:
      return kWaitingAmber;
    case RecorderArt::TrayBeforeStart:
      return kStoppedGrey;
    default:
      return kStoppedRed;
  }
}

// A round lamp with a highlight, filling the picture.
void DrawLight(QPainter& painter, const QRectF& area, const QColor& colour) {
  QRadialGradient glow(area.center() - QPointF(area.width() / 6, area.height() / 6), area.width() / 2);
  glow.setColorAt(0, colour.lighter(160));
  glow.setColorAt(1, colour.darker(130));
  painter.setPen(QPen(QColor(20, 20, 20), 1));
  painter.setBrush(glow);
  painter.drawEllipse(area);
}

// An arrow going down into a tray.
void DrawTrayButton(QPainter& painter, const QRectF& area) {
  painter.setPen(QPen(kLightColour, 1.2));
  painter.setBrush(Qt::NoBrush);
  const qreal w = area.width(), h = area.height();
  painter.drawPolyline(QPolygonF{{area.left() + w * 0.15, area.top() + h * 0.55},
                                 {area.left() + w * 0.15, area.bottom() - h * 0.1},
                                 {area.right() - w * 0.15, area.bottom() - h * 0.1},
                                 {area.right() - w * 0.15, area.top() + h * 0.55}});
  painter.setBrush(kLogoBlue);
  painter.setPen(Qt::NoPen);
  painter.drawPolygon(QPolygonF{{area.left() + w * 0.3, area.top() + h * 0.35},
                                {area.right() - w * 0.3, area.top() + h * 0.35},
                                {area.center().x(), area.bottom() - h * 0.25}});
  painter.fillRect(QRectF(area.center().x() - w * 0.07, area.top() + h * 0.1, w * 0.14, h * 0.3), kLogoBlue);
}

// A small right-pointing triangle in the logo's blue.
void DrawLabelMarker(QPainter& painter, const QRectF& area) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(kLogoBlue);
  const qreal inset = area.height() * 0.25;
  painter.drawPolygon(QPolygonF{{area.left() + inset, area.top() + inset},
                                {area.right() - inset, area.center().y()},
                                {area.left() + inset, area.bottom() - inset}});
}

}  // namespace

QPixmap FlightPicture(int id, QSize size) {
  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF area = QRectF(picture.rect()).adjusted(1, 1, -1, -1);
  if (id == FlightArt::TrayButton) {
    DrawTrayButton(painter, area);
  } else if (id == FlightArt::LabelMarker) {
    DrawLabelMarker(painter, area);
  } else {
    DrawLight(painter, area, LightColour(id));
  }
  return picture;
}

QIcon FlightTrayIcon(int id) {
  QPixmap picture(kTrayIconSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(kDarkColour);
  painter.drawRoundedRect(QRectF(picture.rect()), 6, 6);
  DrawLight(painter, QRectF(picture.rect()).adjusted(6, 6, -6, -6), LightColour(id));
  return QIcon(picture);
}

}  // namespace kestrix::gui
