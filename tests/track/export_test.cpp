#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_work_dir.h"
#include "track/track_export.h"

namespace kestrix {
namespace {

// Two legs over the antimeridian into the southern hemisphere, and a name
// that needs escaping and a character beyond ASCII.
FlightTrack TwoLegs() {
  FlightTrack track{"NZAA", "Kiri & \xC5sa <1>", {}};
  track.legs.push_back({{{-37.0080, 174.7917, 23, 230}, {-38.1234567, 178.9999999, 11000, 95},
                         {-39.5, -179.25, 35000, 96}},
                        true, -150.5});
  track.legs.push_back({{{-39.5, -179.25, 120, 10}, {-21.2, -159.8, 12, 45}}, true, -98});
  return track;
}

struct ReadBack {
  int exitCode = -1;
  std::vector<std::array<double, 3>> points;  // latitude, longitude, altitude in metres
};

// Lets the real gpsbabel read our file and write its own CSV of the tracks' points.
ReadBack ReadWithGpsbabel(const std::string& format, const std::filesystem::path& file) {
  const std::filesystem::path csv = file.string() + ".csv";
  const std::string command = "gpsbabel -t -i " + format + " -f '" + file.string() + "' -o unicsv -F '" +
                              csv.string() + "' 2>&1";
  ReadBack result;
  result.exitCode = std::system(command.c_str());
  std::ifstream in(csv);
  std::string line;
  // gpsbabel ends its CSV lines with CR LF.
  const auto next = [&] {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  };
  next();
  EXPECT_EQ(line, "No,Latitude,Longitude,Altitude");
  while (next()) {
    std::array<double, 3> point{};
    int number = 0;
    if (std::sscanf(line.c_str(), "%d,%lf,%lf,%lf", &number, &point[0], &point[1], &point[2]) == 4)
      result.points.push_back(point);
  }
  return result;
}

class TrackExport : public ::testing::TestWithParam<const char*> {
 protected:
  test::TempWorkDir workDir;
};

TEST_P(TrackExport, GpsbabelReadsEveryPointBack) {
  const FlightTrack track = TwoLegs();
  const std::filesystem::path file = workDir.Path() / (std::string("flight.") + GetParam());
  ASSERT_EQ(ExportTrack(track, file.string()), ExportResult::Written);
  const ReadBack back = ReadWithGpsbabel(GetParam(), file);
  EXPECT_EQ(back.exitCode, 0);
  ASSERT_EQ(back.points.size(), track.PointCount());
  size_t i = 0;
  for (const TrackLeg& leg : track.legs) {
    for (const FlightPoint& point : leg.points) {
      EXPECT_NEAR(back.points[i][0], point.latitude, 1e-6) << i;
      EXPECT_NEAR(back.points[i][1], point.longitude, 1e-6) << i;
      EXPECT_NEAR(back.points[i][2], point.altitude * 0.3048, 0.06) << i;
      ++i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, TrackExport, ::testing::Values("gpx", "kml"));

TEST(TrackExportDocument, NamesTheRouteInEscapedUtf8AndKeepsLegsApart) {
  const std::string gpx = GpxDocument(TwoLegs());
  EXPECT_NE(gpx.find("<name>NZAA - Kiri &amp; \xC3\x85sa &lt;1&gt;</name>"), std::string::npos);
  EXPECT_NE(gpx.find("version=\"1.1\""), std::string::npos);
  EXPECT_EQ(gpx.find("<time>"), std::string::npos);
  size_t segments = 0;
  for (size_t at = gpx.find("<trkseg>"); at != std::string::npos; at = gpx.find("<trkseg>", at + 1)) ++segments;
  EXPECT_EQ(segments, 2u);
  const std::string kml = KmlDocument(TwoLegs());
  EXPECT_NE(kml.find("<coordinates>174.7917000,-37.0080000,7.0 178.9999999,-38.1234567,3352.8"), std::string::npos);
}

TEST(TrackExportDocument, TheExtensionChoosesTheFormat) {
  test::TempWorkDir workDir;
  const FlightTrack track = TwoLegs();
  const auto written = [&](const char* name) {
    std::ifstream in(workDir.Path() / name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  EXPECT_EQ(ExportTrack(track, (workDir.Path() / "a.GPX").string()), ExportResult::Written);
  EXPECT_EQ(written("a.GPX"), GpxDocument(track));
  EXPECT_EQ(ExportTrack(track, (workDir.Path() / "b.kml").string()), ExportResult::Written);
  EXPECT_EQ(written("b.kml"), KmlDocument(track));
  for (const char* name : {"c.txt", "gpx", "d.gpx/e", "kml."})
    EXPECT_EQ(ExportTrack(track, (workDir.Path() / name).string()), ExportResult::UnknownType) << name;
  EXPECT_FALSE(std::filesystem::exists(workDir.Path() / "c.txt"));
  EXPECT_EQ(ExportTrack(track, (workDir.Path() / "missing" / "f.gpx").string()), ExportResult::WriteFailed);
}

}  // namespace
}  // namespace kestrix
