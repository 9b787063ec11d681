#include "gui/track/track_window.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPushButton>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "gui/flight/flight_window_driver.h"
#include "gui/main/flights_list_driver.h"
#include "gui/main/file_flight_report_dialog.h"
#include "gui/flight/flight_window.h"
#include "support/scripted_file_chooser.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"
#include "track/track_export.h"

namespace kestrix::gui {
namespace {

const QColor kTrack(231, 190, 67);
const QColor kDeparture(121, 212, 255);
const QColor kLanding(110, 210, 120);

std::vector<FlightPoint> Line(double lat1, double lon1, double lat2, double lon2, int steps, int32_t altitude = 9000) {
  std::vector<FlightPoint> points;
  for (int i = 0; i <= steps; ++i)
    points.push_back({lat1 + (lat2 - lat1) * i / steps, lon1 + (lon2 - lon1) * i / steps, altitude, 180});
  return points;
}

FlightTrack Landed(std::vector<FlightPoint> points) { return {"KSEA", "KPDX", {{std::move(points), true, -212.5}}}; }

bool Near(QRgb pixel, const QColor& colour, int tolerance = 40) {
  return std::abs(qRed(pixel) - colour.red()) + std::abs(qGreen(pixel) - colour.green()) +
             std::abs(qBlue(pixel) - colour.blue()) <=
         tolerance;
}

// Whether `colour` is drawn within a pixel of a logical position.
bool DrawnAt(const QImage& image, const QPointF& at, const QColor& colour) {
  const qreal ratio = image.devicePixelRatio();
  const int x = static_cast<int>(std::lround(at.x() * ratio)), y = static_cast<int>(std::lround(at.y() * ratio));
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy)
      if (image.valid(x + dx, y + dy) && Near(image.pixel(x + dx, y + dy), colour)) return true;
  return false;
}

int CountNear(const QImage& image, const QRectF& logical, const QColor& colour) {
  const qreal ratio = image.devicePixelRatio();
  const QRect area(QPoint(int(logical.left() * ratio), int(logical.top() * ratio)),
                   QPoint(int(logical.right() * ratio), int(logical.bottom() * ratio)));
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.valid(x, y) && Near(image.pixel(x, y), colour, 12)) ++count;
  return count;
}

// Midpoints of the drawn legs, between projected points, must carry the track's colour.
void ExpectTrackWhereProjected(const TrackDrawing& drawing, const QImage& image, const QSizeF& size) {
  const auto view = drawing.MapViewIn(QRectF(QPointF(0, 0), size));
  ASSERT_TRUE(view);
  for (const TrackLeg& leg : drawing.Track().legs) {
    const size_t stride = std::max<size_t>(1, leg.points.size() / 25);
    // Clear of the markers at either end.
    for (size_t i = std::max<size_t>(stride, 2); i + 2 < leg.points.size(); i += stride) {
      const ScreenPoint a = view->ToScreen({leg.points[i - 1].latitude, leg.points[i - 1].longitude});
      const ScreenPoint b = view->ToScreen({leg.points[i].latitude, leg.points[i].longitude});
      const QPointF middle((a.x + b.x) / 2, (a.y + b.y) / 2);
      EXPECT_TRUE(DrawnAt(image, middle, kTrack)) << "point " << i << " at " << middle.x() << "," << middle.y();
    }
  }
}

struct DrawCase {
  const char* name;
  FlightTrack track;
  qreal pixelRatio = 1;
};

void PrintTo(const DrawCase& c, std::ostream* out) { *out << c.name; }

class TrackDrawingTest : public ::testing::TestWithParam<DrawCase> {};

TEST_P(TrackDrawingTest, DrawsTheTrackWhereTheProjectionPutsItWithItsEnds) {
  TrackDrawing drawing;
  drawing.SetTrack(GetParam().track);
  const QSize size(900, 640);
  const QImage image = RenderTrack(drawing, size, GetParam().pixelRatio);
  EXPECT_EQ(image.size(), size * GetParam().pixelRatio);
  ExpectTrackWhereProjected(drawing, image, size);
  const auto view = drawing.MapViewIn(QRectF(QPointF(0, 0), size));
  const auto onScreen = [&](const FlightPoint& p) {
    const ScreenPoint at = view->ToScreen({p.latitude, p.longitude});
    return QPointF(at.x, at.y);
  };
  EXPECT_TRUE(DrawnAt(image, onScreen(GetParam().track.legs.front().points.front()), kDeparture));
  EXPECT_TRUE(DrawnAt(image, onScreen(GetParam().track.legs.back().points.back()), kLanding));
  // The touchdown is marked on the profile too.
  EXPECT_GT(CountNear(image, TrackDrawing::ProfileArea(QRectF(QPointF(0, 0), size)), kLanding), 10);
}

FlightTrack TenThousandPoints() {
  std::vector<FlightPoint> points;
  for (int i = 0; i < 10000; ++i) {
    const double t = i / 9999.0;
    points.push_back({40 + 8 * t + std::sin(t * 40) * 0.5, -125 + 20 * t, static_cast<int32_t>(35000 * std::sin(t * 3.14159)), 90});
  }
  return Landed(points);
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, TrackDrawingTest,
    ::testing::Values(DrawCase{"SeattleToPortland", Landed(Line(47.45, -122.31, 45.59, -122.60, 30))},
                      DrawCase{"SharpOnHighDensityScreens", Landed(Line(47.45, -122.31, 45.59, -122.60, 30)), 2},
                      DrawCase{"OverTheAntimeridian", Landed(Line(43.0, 170.0, 52.0, 200.0, 40))},
                      DrawCase{"AcrossTheNorthPole", FlightTrack{"ENSB", "PABR",
                                                                 {{Line(70.0, 10.0, 89.5, 10.0, 20), false, 0},
                                                                  {Line(89.5, -170.0, 71.3, -156.8, 20), true, -120}}}},
                      DrawCase{"ThreeLegs", FlightTrack{"KSEA", "KLAX",
                                                        {{Line(47.45, -122.31, 45.59, -122.60, 10), true, -150},
                                                         {Line(45.59, -122.60, 37.62, -122.38, 10), true, -90},
                                                         {Line(37.62, -122.38, 33.94, -118.41, 10), true, -300}}}},
                      DrawCase{"TenThousandPoints", TenThousandPoints()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrackDrawing, ALonePointIsMarkedInTheMiddle) {
  TrackDrawing drawing;
  drawing.SetTrack({"EGLL", "EGLL", {{{{51.47, -0.45, 80, 270}}, false, 0}}});
  const QSize size(600, 500);
  const QImage image = RenderTrack(drawing, size);
  const QRectF map = TrackDrawing::MapArea(QRectF(QPointF(0, 0), size));
  EXPECT_TRUE(DrawnAt(image, map.center(), kDeparture));
  // Not landed yet: nothing marks a touchdown.
  EXPECT_EQ(CountNear(image, QRectF(QPointF(0, 0), size), kLanding), 0);
}

TEST(TrackDrawing, AnEmptyTrackSaysSoAndDrawsNoMap) {
  TrackDrawing drawing;
  drawing.SetTrack({"KSEA", "KPDX", {{{}, true, -100}}});
  const QImage image = RenderTrack(drawing, QSize(600, 400));
  EXPECT_EQ(CountNear(image, QRectF(0, 0, 600, 400), kTrack), 0);
  int text = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) text += qGray(image.pixel(x, y)) > 120;
  EXPECT_GT(text, 20);
  EXPECT_FALSE(drawing.MapViewIn(QRectF(0, 0, 600, 400)));
}

TEST(TrackDrawing, ShowsTheCoastAroundTheTrack) {
  TrackDrawing drawing;
  drawing.SetTrack(Landed(Line(47.45, -122.31, 45.59, -122.60, 30)));
  const QSize size(900, 640);
  const QImage image = RenderTrack(drawing, size);
  // Puget Sound's shore near Seattle's waterfront.
  const auto view = drawing.MapViewIn(QRectF(QPointF(0, 0), size));
  const ScreenPoint shore = view->ToScreen({47.61, -122.35});
  EXPECT_GT(CountNear(image, QRectF(shore.x - 12, shore.y - 12, 24, 24), QColor(128, 150, 160)), 0);
}

class TrackWindowTest : public ::testing::Test {
 protected:
  test::TempWorkDir workDir;
  test::ScriptedMessageBox boxes;
  std::shared_ptr<test::ScriptedFileChooser> chooser = std::make_shared<test::ScriptedFileChooser>();
  TrackWindow window{nullptr};

  void SetUp() override { InstallFileChooser(chooser); }
  void TearDown() override { InstallFileChooser(nullptr); }
  QPushButton* ExportButton() {
    for (QPushButton* button : window.findChildren<QPushButton*>())
      if (button->text() == "Export...") return button;
    return nullptr;
  }
};

TEST_F(TrackWindowTest, RedrawsAtTheNewSizeWhenResized) {
  window.SetTrack(Landed(Line(47.45, -122.31, 45.59, -122.60, 30)));
  window.show();
  auto* canvas = window.findChild<QWidget*>("TrackCanvas");
  ASSERT_TRUE(canvas);
  for (const QSize size : {QSize(700, 520), QSize(1100, 800)}) {
    window.resize(size);
    const QImage image = canvas->grab().toImage();
    EXPECT_GT(image.width(), size.width() - 40);
    ExpectTrackWhereProjected(window.Drawing(), image, canvas->size());
  }
}

TEST_F(TrackWindowTest, ExportWritesTheFormatTheFileNameAsksFor) {
  window.SetTrack(Landed(Line(47.45, -122.31, 45.59, -122.60, 5)));
  chooser->answer = (workDir.Path() / "flight.kml").string();
  ExportButton()->click();
  ASSERT_EQ(chooser->requests.size(), 1u);
  EXPECT_TRUE(chooser->requests[0].forSaving);
  EXPECT_FALSE(chooser->requests[0].mustExist);
  std::stringstream written;
  written << std::ifstream(workDir.Path() / "flight.kml").rdbuf();
  EXPECT_EQ(written.str(), KmlDocument(window.Drawing().Track()));
  EXPECT_TRUE(boxes.Texts().empty());

  chooser->answer = (workDir.Path() / "flight.txt").string();
  ExportButton()->click();
  EXPECT_TRUE(boxes.Saw("Please give the file name the ending .gpx or .kml."));
  EXPECT_FALSE(std::filesystem::exists(workDir.Path() / "flight.txt"));

  chooser->answer = (workDir.Path() / "gone" / "flight.gpx").string();
  ExportButton()->click();
  EXPECT_TRUE(boxes.Saw("The track could not be written to " + chooser->answer + "."));
}

TEST_F(TrackWindowTest, NothingToExportWithoutPoints) {
  window.SetTrack({"KSEA", "KPDX", {}});
  EXPECT_FALSE(ExportButton()->isEnabled());
  window.SetTrack(Landed(Line(47.45, -122.31, 45.59, -122.60, 5)));
  EXPECT_TRUE(ExportButton()->isEnabled());
  EXPECT_EQ(window.windowTitle(), "Flight Track KSEA - KPDX");
}

class ShowTrackFromTheFlightWindow : public test::FlightWindowFixture {};

TEST_F(ShowTrackFromTheFlightWindow, TheLastItemShowsTheTrackAsThePointsArrive) {
  RunWindow([&](FlightWindow& window) {
    EXPECT_EQ(test::MenuTexts(test::FlightMenu(window)).back(), "Show Track...");
    Choose(window, FlightCommand::StartFlight);
    Choose(window, FlightCommand::ShowTrack);
    auto* track = window.findChild<TrackWindow*>();
    ASSERT_TRUE(track);
    EXPECT_TRUE(track->isVisible());
    EXPECT_EQ(track->Drawing().Track().departure, "KORD");
    EXPECT_EQ(track->Drawing().Track().PointCount(), 0u);

    ASSERT_TRUE(TickUntil(window, FlightStage::Descent));
    const std::vector<FlightPoint>& collected = window.Recorder().Collector().Points();
    ASSERT_FALSE(collected.empty());
    EXPECT_EQ(track->Drawing().Track().legs.front().points, collected);
    EXPECT_FALSE(track->Drawing().Track().legs.front().landed);

    ASSERT_TRUE(TickUntil(window, FlightStage::TaxiIn));
    EXPECT_EQ(track->Drawing().Track().legs.front().points, window.Recorder().Collector().Points());
    EXPECT_TRUE(track->Drawing().Track().legs.front().landed);
    EXPECT_EQ(track->Drawing().Track().legs.front().landingRate, window.Recorder().TempFlight().landingRate);
    // Chosen again, the same window comes forward.
    Choose(window, FlightCommand::ShowTrack);
    EXPECT_EQ(window.findChildren<TrackWindow*>().size(), 1u);
  });
}

class ShowTrackFromTheOutbox : public test::AirlineFixture {};

TEST_F(ShowTrackFromTheOutbox, ADoubleClickShowsTheStoredLegsOfTheFlight) {
  test::StoreFlights({test::MakeFlight("500", "SCH", FlightStatus::StatusCompleted),
                      test::MakeFlight("501", "SCH", FlightStatus::StatusCompleted)});
  FlightRecord first = test::Leg("500", 50), second = test::Leg("500", 25), other = test::Leg("501", 20);
  second.points = {{34.0, -118.4, 1500, 250}, {37.6, -122.4, 30000, 330}, {37.62, -122.38, 20, 280}};
  second.landingRate = -240;
  for (const FlightRecord& leg : {first, other, second}) ASSERT_TRUE(Database().WriteFlightReport(leg));
  FileFlightReportDialog dialog;
  dialog.show();
  QTableView& list = *test::FlightsList(dialog);
  ASSERT_EQ(list.model()->rowCount(), 2);
  // A double-click reaches the list as a click followed by the second press.
  const QPoint row = test::RowCentre(list, test::RowOf(list, "500"));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row);
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row);
  auto* track = dialog.findChild<TrackWindow*>();
  ASSERT_TRUE(track);
  EXPECT_TRUE(track->isVisible());
  const FlightTrack& shown = track->Drawing().Track();
  EXPECT_EQ(shown.departure, "KORD");
  EXPECT_EQ(shown.arrival, "KLAX");
  ASSERT_EQ(shown.legs.size(), 2u);
  EXPECT_EQ(shown.legs[0].points, first.points);
  EXPECT_EQ(shown.legs[1].points, second.points);
  EXPECT_EQ(shown.legs[1].landingRate, -240);
  EXPECT_TRUE(shown.legs[0].landed && shown.legs[1].landed);
}

}  // namespace
}  // namespace kestrix::gui
