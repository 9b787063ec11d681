#pragma once

#include <optional>
#include <vector>

#include "track/geo.h"

namespace kestrix {

// The least a view of a track shows each way, in radians of arc (one degree
// either side), so a lone point or a short hop keeps its surroundings.
inline constexpr double kMapMinimumSpan = 2 * 0.017453292519943295;
// The part of the frame's width and height left free on each side of a track.
inline constexpr double kMapMargin = 0.08;

// A point on the projection plane, in radians of arc: x east, y north.
struct PlanePoint {
  double x = 0;
  double y = 0;
};

struct PlaneBox {
  double left = 0;
  double right = 0;
  double bottom = 0;
  double top = 0;

  bool Intersects(const PlaneBox& other) const {
    return left <= other.right && other.left <= right && bottom <= other.top && other.bottom <= top;
  }
};

// A point on the screen, in pixels from the top-left corner, y down.
struct ScreenPoint {
  double x = 0;
  double y = 0;
};

struct ScreenBox {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// Azimuthal equidistant projection about a centre: distances and bearings
// from the centre are true, north is up along the centre's meridian, and
// neither the antimeridian nor a pole is special, so a track over either
// stays one piece.
class MapProjection {
 public:
  explicit MapProjection(GeoPoint centre = {});
  PlanePoint Forward(const GeoPoint& point) const;
  // Empty beyond the antipode's circle.
  std::optional<GeoPoint> Inverse(const PlanePoint& point) const;
  // Arc from the centre to `point`, in radians (0 to pi).
  double ArcFromCentre(const GeoPoint& point) const;
  const GeoPoint& Centre() const { return centre; }

 private:
  GeoPoint centre;
  double sinLat0;
  double cosLat0;
};

// The smallest box holding the points; a zero box at the origin for none.
PlaneBox BoundingBox(const std::vector<PlanePoint>& points);

// The projection centred on the points: their mean direction from the
// earth's centre, or the first point when they cancel out.
MapProjection CentredProjection(const std::vector<GeoPoint>& points);

// The points' box on the plane, grown about its middle to at least
// `minimumSpan` radians each way, so one point or a short hop still shows
// its surroundings.
PlaneBox FittedBox(const MapProjection& projection, const std::vector<GeoPoint>& points, double minimumSpan);

// A projection fitted into a frame on the screen: `box` fills the frame less
// `marginFraction` of its size on every side, keeping the plane's aspect.
class MapView {
 public:
  MapView(const MapProjection& projection, const PlaneBox& box, const ScreenBox& frame, double marginFraction);

  ScreenPoint ToScreen(const GeoPoint& point) const { return PlaneToScreen(projection.Forward(point)); }
  ScreenPoint PlaneToScreen(const PlanePoint& point) const {
    return {centreX + (point.x - planeX) * scale, centreY - (point.y - planeY) * scale};
  }
  PlanePoint ScreenToPlane(const ScreenPoint& point) const {
    return {planeX + (point.x - centreX) / scale, planeY - (point.y - centreY) / scale};
  }
  // The part of the plane the frame shows.
  PlaneBox VisiblePlane() const;
  const MapProjection& Projection() const { return projection; }
  const ScreenBox& Frame() const { return frame; }
  // Pixels per radian of arc.
  double Scale() const { return scale; }

 private:
  MapProjection projection;
  ScreenBox frame;
  double scale;
  double planeX;
  double planeY;
  double centreX;
  double centreY;
};

// A view of `points` in `frame`: centred on them, with a margin.
MapView FitMapView(const std::vector<GeoPoint>& points, const ScreenBox& frame);

}  // namespace kestrix
