#include "gui/track/track_window.h"

#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "platform/file_chooser.h"
#include "store/database.h"
#include "track/coastlines.h"
#include "track/graticule.h"
#include "track/track_export.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTemplateSize(420, 330);
constexpr double kGap = 8;
constexpr double kProfileShare = 0.28;
constexpr double kProfileMinimum = 90;
// Shorelines this far round the globe from the map's centre never show in a
// view fitted to a flight; leaving them out keeps the antipode's ring away.
constexpr double kFarthestCoastArc = 2.2;

const QColor kSea(20, 28, 38);
const QColor kCoast(128, 150, 160);
const QColor kGraticule(52, 62, 74);
const QColor kGraticuleText(140, 150, 160);
const QColor kProfileBackground(24, 24, 24);
const QColor kAxis(90, 90, 90);
const QColor kLanding(110, 210, 120);

QPointF At(const ScreenPoint& point) { return {point.x, point.y}; }

// Points closer than this to the last one drawn add nothing a screen can
// show; leaving them out keeps a long track or a detailed shore quick to stroke.
constexpr double kFinestStep = 0.7;

// Adds `point` to a line unless it lies within a fraction of a pixel of the
// last one; the line's last point is always kept, so it ends where it should.
void Extend(QPolygonF& line, const QPointF& point, bool last) {
  if (!line.isEmpty() && !last) {
    const QPointF step = point - line.back();
    if (std::abs(step.x()) + std::abs(step.y()) < kFinestStep) return;
  }
  line << point;
}

// A round number at or above `value`: 1, 2 or 5 times a power of ten.
double NiceCeiling(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0})
    if (step * power >= value) return step * power;
  return 10 * power;
}

// A code or text beside a marked point, kept inside `frame`.
void Caption(QPainter& painter, const QPointF& at, const QString& text, const QRectF& frame) {
  const QFontMetricsF metrics(painter.font());
  QRectF box(at + QPointF(7, -metrics.height() - 3), QSizeF(metrics.horizontalAdvance(text) + 2, metrics.height()));
  if (box.right() > frame.right()) box.moveRight(at.x() - 7);
  if (box.top() < frame.top()) box.moveTop(at.y() + 5);
  painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void Marker(QPainter& painter, const QPointF& at, const QColor& colour, double radius) {
  painter.setPen(QPen(Qt::white, 1.2));
  painter.setBrush(colour);
  painter.drawEllipse(at, radius, radius);
  painter.setBrush(Qt::NoBrush);
}

}  // namespace

void TrackDrawing::SetTrack(FlightTrack newTrack) {
  track = std::move(newTrack);
  positions = track.Positions();
  profile = AltitudeProfile(track);
  coast.clear();
  if (positions.empty()) return;
  projection = CentredProjection(positions);
  box = FittedBox(projection, positions, kMapMinimumSpan);
  for (const CoastSegment& segment : BuiltInCoastlines()) {
    const GeoPoint middle{(segment.south + segment.north) / 2, (segment.west + segment.east) / 2};
    if (projection.ArcFromCentre(middle) > kFarthestCoastArc) continue;
    PlaneSegment& plane = coast.emplace_back();
    plane.points.reserve(segment.points.size());
    for (const GeoPoint& point : segment.points) plane.points.push_back(projection.Forward(point));
    plane.box = BoundingBox(plane.points);
  }
}

QRectF TrackDrawing::MapArea(const QRectF& area) {
  const QRectF inner = area.adjusted(kGap, kGap, -kGap, -kGap);
  const double profile = std::max(kProfileMinimum, inner.height() * kProfileShare);
  return inner.adjusted(0, 0, 0, -(profile + kGap));
}

QRectF TrackDrawing::ProfileArea(const QRectF& area) {
  const QRectF map = MapArea(area);
  const QRectF inner = area.adjusted(kGap, kGap, -kGap, -kGap);
  return QRectF(QPointF(inner.left(), map.bottom() + kGap), inner.bottomRight());
}

std::optional<MapView> TrackDrawing::MapViewIn(const QRectF& area) const {
  if (positions.empty()) return std::nullopt;
  return ViewOf(MapArea(area));
}

MapView TrackDrawing::ViewOf(const QRectF& frame) const {
  return MapView(projection, box, {frame.left(), frame.top(), frame.width(), frame.height()}, kMapMargin);
}

void TrackDrawing::Paint(QPainter& painter, const QRectF& area) const {
  painter.fillRect(area, kDarkColour);
  if (positions.empty()) {
    painter.setPen(kLightColour);
    painter.drawText(area, Qt::AlignCenter, "No flight points have been recorded for this flight.");
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  PaintMap(painter, MapArea(area));
  PaintProfile(painter, ProfileArea(area));
  painter.restore();
}

void TrackDrawing::PaintMap(QPainter& painter, const QRectF& frame) const {
  const MapView view = ViewOf(frame);
  painter.save();
  painter.setClipRect(frame);
  painter.fillRect(frame, kSea);

  const PlaneBox visible = view.VisiblePlane();
  painter.setPen(QPen(kCoast, 1));
  QPolygonF line;
  for (const PlaneSegment& segment : coast) {
    if (!segment.box.Intersects(visible)) continue;
    line.clear();
    for (size_t i = 0; i < segment.points.size(); ++i)
      Extend(line, At(view.PlaneToScreen(segment.points[i])), i + 1 == segment.points.size());
    painter.drawPolyline(line);
  }

  const QRectF labelFrame = frame.adjusted(2, 2, -2, -2);
  const QFontMetricsF metrics(painter.font());
  std::vector<QRectF> labels;
  for (const GraticuleLine& graticule : GraticuleLines(view)) {
    line.clear();
    for (const GeoPoint& point : graticule.points) line << At(view.ToScreen(point));
    painter.setPen(QPen(kGraticule, 1));
    painter.drawPolyline(line);
    // Labelled where the line comes into the map: the left edge or the bottom.
    const auto entry = std::find_if(line.begin(), line.end(), [&](const QPointF& p) { return labelFrame.contains(p); });
    if (entry == line.end()) continue;
    const QString text = QtText(graticule.label);
    const QPointF at = graticule.parallel ? QPointF(labelFrame.left() + 2, entry->y() - 3)
                                          : QPointF(entry->x() + 3, labelFrame.bottom() - 3);
    // Near a pole the meridians crowd together: a label never covers another.
    const QRectF label(at - QPointF(0, metrics.ascent()), QSizeF(metrics.horizontalAdvance(text), metrics.height()));
    if (!frame.contains(label) ||
        std::any_of(labels.begin(), labels.end(), [&](const QRectF& other) { return other.intersects(label); }))
      continue;
    labels.push_back(label);
    painter.setPen(kGraticuleText);
    painter.drawText(at, text);
  }

  painter.setPen(QPen(kValueColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  for (const TrackLeg& leg : track.legs) {
    line.clear();
    for (size_t i = 0; i < leg.points.size(); ++i)
      Extend(line, At(view.ToScreen({leg.points[i].latitude, leg.points[i].longitude})), i + 1 == leg.points.size());
    painter.drawPolyline(line);
  }

  const QPointF departure = At(view.ToScreen(positions.front()));
  Marker(painter, departure, kLogoBlue, 4.5);
  painter.setPen(kLogoBlue);
  Caption(painter, departure, QtText(track.departure), frame);
  for (const TrackLeg& leg : track.legs) {
    if (!leg.landed || leg.points.empty()) continue;
    Marker(painter, At(view.ToScreen({leg.points.back().latitude, leg.points.back().longitude})), kLanding, 4.5);
  }
  const TrackLeg& last = track.legs.back();
  if (last.landed && !last.points.empty()) {
    painter.setPen(kLanding);
    Caption(painter, At(view.ToScreen({last.points.back().latitude, last.points.back().longitude})),
            QtText(track.arrival), frame);
  }
  painter.restore();
  painter.setPen(kAxis);
  painter.drawRect(frame);
}

void TrackDrawing::PaintProfile(QPainter& painter, const QRectF& frame) const {
  painter.fillRect(frame, kProfileBackground);
  painter.setPen(kAxis);
  painter.drawRect(frame);
  const QFontMetricsF metrics(painter.font());
  double farthest = 0;
  int32_t highest = 0, lowest = 0;
  for (const auto& leg : profile) {
    for (const ProfilePoint& point : leg) {
      farthest = std::max(farthest, point.distance);
      highest = std::max(highest, point.altitude);
      lowest = std::min(lowest, point.altitude);
    }
  }
  const double top = NiceCeiling(std::max(1000, highest));
  const double right = farthest > 0 ? farthest : 1;
  const QString topText = QString::number(top, 'f', 0) + " ft";
  const QRectF plot = frame.adjusted(metrics.horizontalAdvance(topText) + 8, metrics.height() / 2 + 4, -12,
                                     -(metrics.height() + 6));
  const auto place = [&](const ProfilePoint& p) {
    return QPointF(plot.left() + plot.width() * p.distance / right,
                   plot.bottom() - plot.height() * (p.altitude - lowest) / (top - lowest));
  };

  painter.setPen(kGraticuleText);
  painter.drawText(QRectF(frame.left(), plot.top() - metrics.height() / 2, plot.left() - frame.left() - 4,
                          metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, topText);
  painter.drawText(QRectF(frame.left(), plot.bottom() - metrics.height() / 2, plot.left() - frame.left() - 4,
                          metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(lowest) + " ft");
  const QRectF below(plot.left(), plot.bottom() + 3, plot.width(), metrics.height());
  painter.drawText(below, Qt::AlignLeft | Qt::AlignTop, "0 nm");
  painter.drawText(below, Qt::AlignRight | Qt::AlignTop, QString::number(right, 'f', 0) + " nm");
  painter.drawText(below, Qt::AlignHCenter | Qt::AlignTop, "distance flown");
  painter.setPen(kAxis);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());

  for (size_t i = 0; i < profile.size(); ++i) {
    QPolygonF line;
    for (size_t p = 0; p < profile[i].size(); ++p) Extend(line, place(profile[i][p]), p + 1 == profile[i].size());
    if (line.isEmpty()) continue;
    QPolygonF area = line;
    area << QPointF(line.back().x(), plot.bottom()) << QPointF(line.front().x(), plot.bottom());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(kValueColour.red(), kValueColour.green(), kValueColour.blue(), 50));
    painter.drawPolygon(area);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kValueColour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
    if (line.size() == 1) painter.drawPoint(line.front());
    const TrackLeg& leg = track.legs[i];
    if (!leg.landed) continue;
    Marker(painter, line.back(), kLanding, 3.5);
    painter.setPen(kLanding);
    Caption(painter, line.back(), QtText(LandingRateText(leg.landingRate)), frame);
  }
}

QImage RenderTrack(const TrackDrawing& drawing, QSize size, qreal pixelRatio) {
  QImage image(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(pixelRatio);
  QPainter painter(&image);
  drawing.Paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

namespace {

// The drawing area of the window: paints the track at whatever size the window has.
class TrackCanvas : public QWidget {
 public:
  TrackCanvas(const TrackDrawing& drawing, QWidget* parent) : QWidget(parent), drawing(drawing) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    drawing.Paint(painter, rect());
  }

 private:
  const TrackDrawing& drawing;
};

}  // namespace

TrackWindow::TrackWindow(QWidget* owner)
    : DialogBase(owner, {kTemplateSize, false, false, TemplateFont(), true}) {
  setObjectName("TrackWindow");
  canvas = new TrackCanvas(drawing, this);
  canvas->setObjectName("TrackCanvas");
  exportButton = new QPushButton("Export...", this);
  exportButton->setAutoDefault(false);
  connect(exportButton, &QPushButton::clicked, this, &TrackWindow::Export);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(exportButton);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, Units().X(4), Units().Y(4));
  layout->addWidget(canvas, 1);
  layout->addLayout(buttons);
  setMinimumSize(Units().X(200), Units().Y(160));
  SetTrack({});
}

void TrackWindow::SetTrack(FlightTrack track) {
  setWindowTitle(track.departure.empty() && track.arrival.empty()
                     ? QStringLiteral("Flight Track")
                     : "Flight Track " + QtText(track.departure) + " - " + QtText(track.arrival));
  drawing.SetTrack(std::move(track));
  exportButton->setEnabled(drawing.Track().PointCount() > 0);
  canvas->update();
}

void TrackWindow::Export() {
  FileChooserRequest request;
  request.owner = HandleOf(this);
  request.title = "Export Track";
  request.filters = {{"GPX track", "*.gpx"}, {"KML file", "*.kml"}};
  request.mustExist = false;
  request.forSaving = true;
  const std::string path = ChooseFile(request);
  if (path.empty()) return;
  switch (ExportTrack(drawing.Track(), path)) {
    case ExportResult::Written:
      break;
    case ExportResult::UnknownType:
      ShowMessageBox(HandleOf(this), "Please give the file name the ending .gpx or .kml.", kProgramCaption,
                     MessageKind::Information);
      break;
    case ExportResult::WriteFailed:
      ShowMessageBox(HandleOf(this), "The track could not be written to " + path + ".", kProgramCaption,
                     MessageKind::Error);
      break;
  }
}

TrackWindow* ShowStoredTrack(QWidget* owner, const std::string& flightId) {
  Database store(HandleOf(owner));
  AvailableFlight flight;
  store.ReadAvailableFlight(flightId, flight);
  flight.flightId = flightId;
  std::vector<FlightRecord> reports;
  store.ReadFlightReports(reports, true);
  auto* window = new TrackWindow(owner);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetTrack(TrackOfReports(flight, reports));
  window->show();
  return window;
}

}  // namespace kestrix::gui
