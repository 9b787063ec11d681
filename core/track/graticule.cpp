#include "track/graticule.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kestrix {
namespace {

constexpr std::array<double, 10> kSteps = {0.1, 0.25, 0.5, 1, 2, 5, 10, 15, 30, 45};
constexpr double kMostLines = 8;
constexpr int kGridSamples = 16;
constexpr int kLineSamples = 96;

// What part of the globe a view shows, longitudes relative to the centre's.
struct GeoRange {
  double south = 90, north = -90;
  double west = 180, east = -180;  // offsets from the centre's longitude
};

bool ContainsScreen(const MapView& view, const ScreenPoint& p) {
  const ScreenBox& f = view.Frame();
  return p.x >= f.left && p.x <= f.left + f.width && p.y >= f.top && p.y <= f.top + f.height;
}

GeoRange VisibleRange(const MapView& view) {
  GeoRange range;
  const ScreenBox& f = view.Frame();
  const double lon0 = view.Projection().Centre().longitude;
  for (int i = 0; i <= kGridSamples; ++i) {
    for (int j = 0; j <= kGridSamples; ++j) {
      const ScreenPoint screen{f.left + f.width * i / kGridSamples, f.top + f.height * j / kGridSamples};
      const auto point = view.Projection().Inverse(view.ScreenToPlane(screen));
      if (!point) continue;
      range.south = std::min(range.south, point->latitude);
      range.north = std::max(range.north, point->latitude);
      const double offset = std::remainder(point->longitude - lon0, 360.0);
      range.west = std::min(range.west, offset);
      range.east = std::max(range.east, offset);
    }
  }
  // A pole inside the frame: every meridian meets there.
  for (const double pole : {90.0, -90.0}) {
    if (!ContainsScreen(view, view.ToScreen({pole, lon0}))) continue;
    (pole > 0 ? range.north : range.south) = pole;
    range.west = -180;
    range.east = 180;
  }
  return range;
}

std::string Number(double value) {
  char text[32];
  auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  std::string number(text, end);
  while (number.back() == '0') number.pop_back();
  if (number.back() == '.') number.pop_back();
  return number;
}

std::vector<double> Multiples(double low, double high, double step) {
  std::vector<double> values;
  for (double k = std::ceil(low / step - 1e-9); k * step <= high + 1e-9; k += 1) values.push_back(k * step);
  return values;
}

}  // namespace

double GraticuleStep(double span) {
  for (const double step : kSteps)
    if (span / step <= kMostLines) return step;
  return kSteps.back();
}

std::string DegreeLabel(double degrees, bool latitude) {
  if (!latitude) degrees = std::remainder(degrees, 360.0);
  const double size = std::abs(degrees);
  std::string label = Number(size) + "\xB0";
  if (size < 1e-9 || (!latitude && std::abs(size - 180) < 1e-9)) return label;
  if (latitude) return label + (degrees > 0 ? "N" : "S");
  return label + (degrees > 0 ? "E" : "W");
}

std::vector<GraticuleLine> GraticuleLines(const MapView& view) {
  const GeoRange range = VisibleRange(view);
  std::vector<GraticuleLine> lines;
  if (range.south > range.north) return lines;
  const double lon0 = view.Projection().Centre().longitude;
  const double latStep = GraticuleStep(range.north - range.south);
  const double lonStep = GraticuleStep(range.east - range.west);
  for (const double lat : Multiples(range.south, range.north, latStep)) {
    if (std::abs(lat) >= 90) continue;
    GraticuleLine line{true, lat, DegreeLabel(lat, true), {}};
    for (int i = 0; i <= kLineSamples; ++i)
      line.points.push_back({lat, lon0 + range.west + (range.east - range.west) * i / kLineSamples});
    lines.push_back(std::move(line));
  }
  // Meridians as absolute longitudes; a full circle holds each only once.
  const double west = lon0 + range.west;
  const bool fullCircle = range.east - range.west >= 360 - 1e-9;
  for (const double lon : Multiples(west, lon0 + range.east, lonStep)) {
    if (fullCircle && lon >= west + 360 - 1e-9) continue;
    GraticuleLine line{false, lon, DegreeLabel(lon, false), {}};
    for (int i = 0; i <= kLineSamples; ++i)
      line.points.push_back({range.south + (range.north - range.south) * i / kLineSamples, lon});
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace kestrix
