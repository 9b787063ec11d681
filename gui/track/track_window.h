#pragma once

#include <QRectF>
#include <QSize>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "gui/base/dialog_base.h"
#include "track/flight_track.h"
#include "track/map_projection.h"

class QImage;
class QPainter;
class QPushButton;

namespace kestrix::gui {

// Draws a flight's track map with its altitude profile below. What depends
// only on the track (the projection, the shorelines on its plane, the
// profile) is worked out once per track; each paint only scales it to the
// area, so resizing is cheap and every size is drawn sharp.
class TrackDrawing {
 public:
  void SetTrack(FlightTrack track);
  const FlightTrack& Track() const { return track; }
  void Paint(QPainter& painter, const QRectF& area) const;

  // The parts of `area` the map and the profile take.
  static QRectF MapArea(const QRectF& area);
  static QRectF ProfileArea(const QRectF& area);
  // How the map in `area` places positions; empty while there is no point.
  std::optional<MapView> MapViewIn(const QRectF& area) const;

 private:
  struct PlaneSegment {
    std::vector<PlanePoint> points;
    PlaneBox box;
  };
  MapView ViewOf(const QRectF& frame) const;
  void PaintMap(QPainter& painter, const QRectF& area) const;
  void PaintProfile(QPainter& painter, const QRectF& area) const;

  FlightTrack track;
  std::vector<GeoPoint> positions;
  MapProjection projection;
  PlaneBox box;
  std::vector<PlaneSegment> coast;
  std::vector<std::vector<ProfilePoint>> profile;
};

// The flight drawn at `size` logical pixels on an image of `pixelRatio`
// device pixels each, as a screen of that density shows it.
QImage RenderTrack(const TrackDrawing& drawing, QSize size, qreal pixelRatio = 1);

// The track window: the map and profile of one flight, resizable, with
// "Export..." to write the track as GPX or KML.
class TrackWindow : public DialogBase {
  Q_OBJECT
 public:
  explicit TrackWindow(QWidget* owner);

  // Shows `track` from now on; the caption names the route.
  void SetTrack(FlightTrack track);
  const TrackDrawing& Drawing() const { return drawing; }
  // "Export...": asks for a file and writes the track there.
  void Export();

 private:
  TrackDrawing drawing;
  QWidget* canvas;
  QPushButton* exportButton;
};

// Opens a track window over `owner` for the stored reports of `flightId`;
// the window deletes itself when closed.
TrackWindow* ShowStoredTrack(QWidget* owner, const std::string& flightId);

}  // namespace kestrix::gui
