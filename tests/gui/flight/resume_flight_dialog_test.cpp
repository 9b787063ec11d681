#include "gui/flight/resume_flight_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/base/window_handle.h"
#include "gui/modal.h"
#include "sim/sim_link.h"
#include "sim/sim_transport.h"
#include "simulator_peer.h"
#include "store/database.h"
#include "support/fake_clock.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::gui {
namespace {

constexpr const char* kFlightId = "4711";
constexpr const char* kPlaced =
    "The aircraft has been positioned and the sim paused.\n(Airspeed will come online when the sim is "
    "un-paused.)\n\nNote: fuel has not been added.";
constexpr const char* kResumeNotice = "Don't forget to goto Menu->Resume Flight to restart the recording process.";

QString Line(ResumeFlightDialog& dialog, const char* id) {
  auto* label = dialog.findChild<QLabel*>(id);
  return label ? label->text() : QString("(no control %1)").arg(id);
}

// A flight saved over the Cascades, the stand-in simulator and a link to it.
class ResumeDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    int code = 0;
    ASSERT_TRUE(link.Open(code)) << "code " << code;
    Database().CreateSchema();
    Database().WriteServerVariables({{"maxGroundTime", "50"}});
    FlightRecord saved;
    saved.flightId = kFlightId;
    saved.lastLatitude = 47.5;
    saved.lastLongitude = -122.25;
    saved.altitude = 9000;
    saved.heading = 90;
    saved.trueAirspeed = 250;
    saved.currentFuel = 6200;
    saved.recordedTime = 125 * 60 + 59;
    saved.groundTime = 12 * 60 + 30;
    ASSERT_TRUE(Database().WriteTempFlight(saved));
    owner.show();
  }
  void TearDown() override {
    link.Close();
    sim.Stop();
  }

  test::TempWorkDir workDir;
  test::ScopedFakeClock clock;
  test::ScriptedMessageBox boxes;
  SimulatorPeer sim{workDir.Path().string()};
  SimLink link{MakePosixSimTransport(workDir.Path().string())};
  QWidget owner;
};

TEST_F(ResumeDialog, ShowsTheLastRecordedValuesThenTheReminderToResume) {
  bool shown = false;
  test::OnModal<ResumeFlightDialog>([&](ResumeFlightDialog& dialog) {
    shown = true;
    EXPECT_EQ(dialog.windowTitle(), "Kestrix v2");
    EXPECT_EQ(dialog.parentWidget(), &owner);
    EXPECT_EQ(Line(dialog, "1006"), "Here are the last recorded values from the flight");
    EXPECT_EQ(Line(dialog, "1009"), QString::fromUtf8("Latitude: N47º 30.00' (47.500000)"));
    EXPECT_EQ(Line(dialog, "1008"), QString::fromUtf8("Longitude: W122º 15.00' (-122.250000)"));
    EXPECT_EQ(Line(dialog, "40002"), "Altitude: 9000 ft");
    EXPECT_EQ(Line(dialog, "40003"), QString::fromUtf8("Heading: 90°"));
    EXPECT_EQ(Line(dialog, "1005"), "Fuel Remaining: 6200 lbs");
    EXPECT_EQ(Line(dialog, "1003"), "Flight Time: 125 min");
    EXPECT_EQ(Line(dialog, "1004"), "Ground Remaining: 38 min");
    EXPECT_TRUE(boxes.Shown().empty()) << "nothing is said before the pilot closes the dialog";
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  ShowLastRecordedValues(&owner, link, kFlightId);
  EXPECT_TRUE(shown);
  ASSERT_EQ(boxes.Texts(), std::vector<std::string>{kResumeNotice});
  EXPECT_EQ(boxes.Shown()[0].owner, HandleOf(&owner));
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
  EXPECT_FALSE(sim.Aircraft().paused) << "OK alone places nothing";
}

TEST_F(ResumeDialog, PlaceAircraftPutsThePausedAircraftAtTheSavedPosition) {
  test::OnModal<ResumeFlightDialog>([&](ResumeFlightDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>("40027"), Qt::LeftButton);
    ASSERT_EQ(boxes.Texts(), std::vector<std::string>{kPlaced});
    EXPECT_EQ(boxes.Shown()[0].owner, HandleOf(&dialog));
    EXPECT_TRUE(dialog.isVisible()) << "placing keeps the values on show";
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  ShowLastRecordedValues(&owner, link, kFlightId);
  const AircraftState aircraft = sim.Aircraft();
  EXPECT_TRUE(aircraft.paused);
  EXPECT_NEAR(aircraft.latitude, 47.5, 1e-6);
  EXPECT_NEAR(aircraft.longitude, -122.25, 1e-6);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kPlaced, kResumeNotice}));
}

}  // namespace
}  // namespace kestrix::gui
