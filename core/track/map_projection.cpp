#include "track/map_projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrix {
namespace {

constexpr double kRadians = std::numbers::pi / 180.0;

}  // namespace

MapProjection::MapProjection(GeoPoint centre)
    : centre(centre), sinLat0(std::sin(centre.latitude * kRadians)), cosLat0(std::cos(centre.latitude * kRadians)) {}

double MapProjection::ArcFromCentre(const GeoPoint& point) const {
  const double lat = point.latitude * kRadians;
  const double dLon = (point.longitude - centre.longitude) * kRadians;
  const double cosArc = sinLat0 * std::sin(lat) + cosLat0 * std::cos(lat) * std::cos(dLon);
  return std::acos(std::clamp(cosArc, -1.0, 1.0));
}

PlanePoint MapProjection::Forward(const GeoPoint& point) const {
  const double lat = point.latitude * kRadians;
  const double dLon = (point.longitude - centre.longitude) * kRadians;
  const double sinLat = std::sin(lat), cosLat = std::cos(lat);
  const double sinDLon = std::sin(dLon), cosDLon = std::cos(dLon);
  const double cosArc = std::clamp(sinLat0 * sinLat + cosLat0 * cosLat * cosDLon, -1.0, 1.0);
  const double arc = std::acos(cosArc);
  // arc / sin(arc) tends to 1 at the centre; the antipode has no direction.
  const double sinArc = std::sin(arc);
  const double k = sinArc < 1e-12 ? 1.0 : arc / sinArc;
  return {k * cosLat * sinDLon, k * (cosLat0 * sinLat - sinLat0 * cosLat * cosDLon)};
}

std::optional<GeoPoint> MapProjection::Inverse(const PlanePoint& point) const {
  const double arc = std::hypot(point.x, point.y);
  if (arc > std::numbers::pi) return std::nullopt;
  if (arc < 1e-12) return centre;
  const double sinArc = std::sin(arc), cosArc = std::cos(arc);
  const double lat = std::asin(std::clamp(cosArc * sinLat0 + point.y * sinArc * cosLat0 / arc, -1.0, 1.0));
  const double dLon = std::atan2(point.x * sinArc, arc * cosLat0 * cosArc - point.y * sinLat0 * sinArc);
  double lon = centre.longitude + dLon / kRadians;
  lon = std::remainder(lon, 360.0);
  return GeoPoint{lat / kRadians, lon};
}

MapProjection CentredProjection(const std::vector<GeoPoint>& points) {
  double x = 0, y = 0, z = 0;
  for (const GeoPoint& point : points) {
    const double lat = point.latitude * kRadians, lon = point.longitude * kRadians;
    x += std::cos(lat) * std::cos(lon);
    y += std::cos(lat) * std::sin(lon);
    z += std::sin(lat);
  }
  const double length = std::sqrt(x * x + y * y + z * z);
  if (points.empty()) return MapProjection();
  if (length < 1e-9 * static_cast<double>(points.size())) return MapProjection(points.front());
  return MapProjection({std::asin(z / length) / kRadians, std::atan2(y, x) / kRadians});
}

PlaneBox BoundingBox(const std::vector<PlanePoint>& points) {
  if (points.empty()) return {};
  PlaneBox box{points.front().x, points.front().x, points.front().y, points.front().y};
  for (const PlanePoint& p : points) {
    box.left = std::min(box.left, p.x);
    box.right = std::max(box.right, p.x);
    box.bottom = std::min(box.bottom, p.y);
    box.top = std::max(box.top, p.y);
  }
  return box;
}

PlaneBox FittedBox(const MapProjection& projection, const std::vector<GeoPoint>& points, double minimumSpan) {
  std::vector<PlanePoint> projected;
  projected.reserve(points.size());
  for (const GeoPoint& point : points) projected.push_back(projection.Forward(point));
  PlaneBox box = BoundingBox(projected);
  const auto grow = [minimumSpan](double& low, double& high) {
    const double middle = (low + high) / 2;
    const double half = std::max((high - low) / 2, minimumSpan / 2);
    low = middle - half;
    high = middle + half;
  };
  grow(box.left, box.right);
  grow(box.bottom, box.top);
  return box;
}

MapView::MapView(const MapProjection& projection, const PlaneBox& box, const ScreenBox& frame, double marginFraction)
    : projection(projection),
      frame(frame),
      planeX((box.left + box.right) / 2),
      planeY((box.bottom + box.top) / 2),
      centreX(frame.left + frame.width / 2),
      centreY(frame.top + frame.height / 2) {
  const double inner = 1 - 2 * marginFraction;
  const double width = std::max(box.right - box.left, 1e-12);
  const double height = std::max(box.top - box.bottom, 1e-12);
  scale = std::max(std::min(frame.width * inner / width, frame.height * inner / height), 1e-9);
}

PlaneBox MapView::VisiblePlane() const {
  const PlanePoint topLeft = ScreenToPlane({frame.left, frame.top});
  const PlanePoint bottomRight = ScreenToPlane({frame.left + frame.width, frame.top + frame.height});
  return {topLeft.x, bottomRight.x, bottomRight.y, topLeft.y};
}

MapView FitMapView(const std::vector<GeoPoint>& points, const ScreenBox& frame) {
  const MapProjection projection = CentredProjection(points);
  return MapView(projection, FittedBox(projection, points, kMapMinimumSpan), frame, kMapMargin);
}

}  // namespace kestrix
