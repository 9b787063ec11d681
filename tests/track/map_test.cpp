#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "track/coastlines.h"
#include "track/graticule.h"
#include "track/map_projection.h"

namespace kestrix {
namespace {

constexpr ScreenBox kFrame{10, 20, 1000, 700};

struct ProjectionCase {
  const char* name;
  std::vector<GeoPoint> points;
  bool fills = true;  // wider than the least span a view shows
};

void PrintTo(const ProjectionCase& c, std::ostream* out) { *out << c.name; }

// Steps of a track between consecutive points: none may jump across the map.
double LongestStep(const MapView& view, const std::vector<GeoPoint>& points) {
  double longest = 0;
  for (size_t i = 1; i < points.size(); ++i) {
    const ScreenPoint a = view.ToScreen(points[i - 1]), b = view.ToScreen(points[i]);
    longest = std::max(longest, std::hypot(a.x - b.x, a.y - b.y));
  }
  return longest;
}

std::vector<GeoPoint> Line(GeoPoint from, GeoPoint to, int steps) {
  std::vector<GeoPoint> points;
  for (int i = 0; i <= steps; ++i)
    points.push_back({from.latitude + (to.latitude - from.latitude) * i / steps,
                      from.longitude + (to.longitude - from.longitude) * i / steps});
  return points;
}

std::vector<GeoPoint> Joined(std::vector<GeoPoint> a, const std::vector<GeoPoint>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class FittedProjection : public ::testing::TestWithParam<ProjectionCase> {};

TEST_P(FittedProjection, KeepsTheTrackInsideTheFrameInOnePieceAndFillsIt) {
  const std::vector<GeoPoint>& points = GetParam().points;
  const MapView view = FitMapView(points, kFrame);
  double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
  for (const GeoPoint& point : points) {
    const ScreenPoint p = view.ToScreen(point);
    left = std::min(left, p.x), right = std::max(right, p.x);
    top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    // Back from the screen to the same place.
    const auto back = view.Projection().Inverse(view.ScreenToPlane(p));
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->latitude, point.latitude, 1e-6);
    EXPECT_NEAR(std::remainder(back->longitude - point.longitude, 360.0), 0, 1e-6);
  }
  // Inside the frame with the margin, centred, and filling it one way.
  const double margin = 0.08;
  EXPECT_GE(left, kFrame.left + kFrame.width * margin - 1);
  EXPECT_LE(right, kFrame.left + kFrame.width * (1 - margin) + 1);
  EXPECT_GE(top, kFrame.top + kFrame.height * margin - 1);
  EXPECT_LE(bottom, kFrame.top + kFrame.height * (1 - margin) + 1);
  EXPECT_NEAR((left + right) / 2, kFrame.left + kFrame.width / 2, 1);
  EXPECT_NEAR((top + bottom) / 2, kFrame.top + kFrame.height / 2, 1);
  if (GetParam().fills) {
    EXPECT_TRUE(right - left >= kFrame.width * (1 - 2 * margin) - 2 ||
                bottom - top >= kFrame.height * (1 - 2 * margin) - 2);
  }
  if (points.size() > 1) {
    EXPECT_LT(LongestStep(view, points), kFrame.width / 4);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, FittedProjection,
    ::testing::Values(
        ProjectionCase{"SeattleToPortland", Line({47.45, -122.31}, {45.59, -122.60}, 40), false},
        ProjectionCase{"SeattleToLosAngeles", Line({47.45, -122.31}, {33.94, -118.41}, 80)},
        ProjectionCase{"OverTheAntimeridian", Line({43.0, 170.0}, {52.0, 200.0}, 60)},
        ProjectionCase{"AcrossTheNorthPole",
                       Joined(Line({70.0, 10.0}, {89.5, 10.0}, 40), Line({89.5, -170.0}, {70.0, -170.0}, 40))},
        ProjectionCase{"AroundTheSouthPole", Line({-80.0, -179.0}, {-80.0, 179.0}, 90)},
        ProjectionCase{"OnePoint", {{51.47, -0.45}}, false},
        ProjectionCase{"TwoPointsOnTheSameSpot", {{0.0, 0.0}, {0.0, 0.0}}, false},
        ProjectionCase{"HalfTheWorld", Line({-33.9, 151.2}, {51.5, -0.5 + 360}, 200)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FittedProjection, NorthIsUpAndEastIsRight) {
  const MapView view = FitMapView(Line({45.0, -123.0}, {47.0, -121.0}, 2), kFrame);
  const ScreenPoint southWest = view.ToScreen({45.0, -123.0});
  const ScreenPoint northEast = view.ToScreen({47.0, -121.0});
  EXPECT_LT(northEast.y, southWest.y);
  EXPECT_GT(northEast.x, southWest.x);
}

TEST(FittedProjection, ALonePointShowsItsSurroundings) {
  const MapView view = FitMapView({{51.47, -0.45}}, kFrame);
  const PlaneBox visible = view.VisiblePlane();
  // At least two degrees of arc across the shorter side.
  EXPECT_GE(std::min(visible.right - visible.left, visible.top - visible.bottom), 2 * M_PI / 180);
}

TEST(Graticule, StepsShowAFewLines) {
  const std::vector<std::pair<double, double>> cases = {
      {0.5, 0.1}, {1.5, 0.25}, {3, 0.5}, {8, 1}, {12, 2}, {30, 5}, {80, 10}, {100, 15}, {180, 30}, {360, 45}};
  for (const auto& [span, step] : cases) EXPECT_EQ(GraticuleStep(span), step) << span;
}

TEST(Graticule, LabelsNameTheHemisphere) {
  const std::vector<std::tuple<double, bool, std::string>> cases = {
      {45, true, "45\xB0N"},     {-33.5, true, "33.5\xB0S"}, {0, true, "0\xB0"},     {-122, false, "122\xB0W"},
      {2.25, false, "2.25\xB0" "E"}, {180, false, "180\xB0"},    {-180, false, "180\xB0"}, {238, false, "122\xB0W"},
      {0, false, "0\xB0"}};
  for (const auto& [degrees, latitude, label] : cases) EXPECT_EQ(DegreeLabel(degrees, latitude), label) << degrees;
}

TEST(Graticule, LinesCrossTheViewAtTheStep) {
  const MapView view = FitMapView(Line({45.59, -122.60}, {47.45, -122.31}, 4), kFrame);
  std::vector<double> parallels, meridians;
  for (const GraticuleLine& line : GraticuleLines(view)) (line.parallel ? parallels : meridians).push_back(line.degrees);
  EXPECT_NE(std::find(parallels.begin(), parallels.end(), 46.0), parallels.end());
  EXPECT_NE(std::find(meridians.begin(), meridians.end(), -122.0), meridians.end());
  EXPECT_LE(parallels.size(), 9u);
  EXPECT_LE(meridians.size(), 17u);
}

TEST(Graticule, APoleInViewBringsEveryMeridianOnce) {
  const MapView view = FitMapView(Line({85.0, 0.0}, {85.0, 180.0}, 10), kFrame);
  std::vector<double> meridians;
  for (const GraticuleLine& line : GraticuleLines(view))
    if (!line.parallel) meridians.push_back(std::remainder(line.degrees, 360.0));
  std::sort(meridians.begin(), meridians.end());
  EXPECT_EQ(meridians.size(), 8u);
  EXPECT_EQ(std::adjacent_find(meridians.begin(), meridians.end()), meridians.end());
}

std::vector<unsigned char> CoastFile(uint32_t segments, std::vector<unsigned char> body) {
  std::vector<unsigned char> bytes{'K', 'X', 'C', 'O', 'A', 'S', 'T', '1', 0x58, 0x02};
  for (int i = 0; i < 4; ++i) bytes.push_back((segments >> (8 * i)) & 0xFF);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

TEST(Coastlines, ReadsSegmentsRelativeToTheirBin) {
  // Bin west -130, south 40: points at its corner and at its far corner.
  const std::vector<unsigned char> file =
      CoastFile(1, {0x7E, 0xFF, 40, 0, 2, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  std::vector<CoastSegment> segments;
  ASSERT_TRUE(ReadCoastlines(file.data(), file.size(), segments));
  ASSERT_EQ(segments.size(), 1u);
  ASSERT_EQ(segments[0].points.size(), 2u);
  EXPECT_DOUBLE_EQ(segments[0].points[0].latitude, 40);
  EXPECT_DOUBLE_EQ(segments[0].points[0].longitude, -130);
  EXPECT_DOUBLE_EQ(segments[0].points[1].latitude, 50);
  EXPECT_DOUBLE_EQ(segments[0].points[1].longitude, -120);
  EXPECT_DOUBLE_EQ(segments[0].west, -130);
  EXPECT_DOUBLE_EQ(segments[0].north, 50);
}

TEST(Coastlines, RefusesDataCutShortOrWithBytesLeftOver) {
  const std::vector<unsigned char> whole = CoastFile(1, {0x7E, 0xFF, 40, 0, 2, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  std::vector<CoastSegment> segments;
  for (size_t size = 0; size < whole.size(); ++size) {
    EXPECT_FALSE(ReadCoastlines(whole.data(), size, segments)) << size;
    EXPECT_TRUE(segments.empty());
  }
  std::vector<unsigned char> longer = whole;
  longer.push_back(0);
  EXPECT_FALSE(ReadCoastlines(longer.data(), longer.size(), segments));
  const std::vector<unsigned char> boasting = CoastFile(0xFFFFFFFF, {});
  EXPECT_FALSE(ReadCoastlines(boasting.data(), boasting.size(), segments));
}

TEST(Coastlines, TheBuiltInSetHoldsTheWorldsShores) {
  const std::vector<CoastSegment>& coast = BuiltInCoastlines();
  ASSERT_GT(coast.size(), 5000u);
  // Puget Sound's shore passes within a few miles of Seattle's waterfront.
  double nearest = 1e9;
  for (const CoastSegment& segment : coast)
    for (const GeoPoint& p : segment.points)
      nearest = std::min(nearest, std::hypot(p.latitude - 47.61, std::remainder(p.longitude + 122.35, 360.0)));
  EXPECT_LT(nearest, 0.1);
}

}  // namespace
}  // namespace kestrix
