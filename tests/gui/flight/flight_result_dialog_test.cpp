#include "gui/flight/flight_result_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "gui/base/desktop_style.h"
#include "gui/modal.h"

namespace kestrix::gui {
namespace {

const FlightResultTexts kTexts{"Flight number: HAL123", "Route: KSEA-KPDX", "Duration: 1 hour and 1 minute",
                               "Fuel used: 2480 lbs", "Landing rate (approx): -212.50 FT/MIN @ 131 KIAS"};

TEST(FlightResultDialog, ShowsTheFiveValueLinesInTheValueColour) {
  FlightResultDialog dialog(nullptr, kTexts);
  EXPECT_EQ(dialog.windowTitle(), "Kestrix v2");
  const std::pair<const char*, const std::string*> lines[] = {
      {"1000", &kTexts.flightNumber}, {"1002", &kTexts.route},       {"1003", &kTexts.duration},
      {"1004", &kTexts.fuelUsed},     {"1005", &kTexts.landingRate},
  };
  for (const auto& [id, text] : lines) {
    auto* line = dialog.findChild<QLabel*>(id);
    ASSERT_TRUE(line) << id;
    EXPECT_EQ(line->text().toStdString(), *text) << id;
    EXPECT_EQ(line->palette().color(QPalette::WindowText), QColor(0xE7, 0xBE, 0x43)) << id;
    EXPECT_EQ(line->palette().color(QPalette::Window), QColor(0x1E, 0x1E, 0x1E)) << id;
    // The whole line fits: nothing of the result is cut off.
    EXPECT_LE(line->sizeHint().width(), line->width()) << id;
  }
  EXPECT_EQ(dialog.findChild<QPushButton*>("1")->text(), "Flight Complete");
  EXPECT_EQ(dialog.findChild<QPushButton*>("1001")->text(), "Refueling Stop");
}

TEST(FlightResultDialog, EachWayOfLeavingGivesItsChoice) {
  struct Case {
    const char* how;
    std::function<void(FlightResultDialog&)> leave;
    int expected;
  };
  auto press = [](const char* id) {
    return [id](FlightResultDialog& dialog) {
      QTest::mouseClick(dialog.findChild<QPushButton*>(id), Qt::LeftButton);
    };
  };
  const Case cases[] = {
      {"Flight Complete", press("1"), FlightResultChoice::FlightComplete},
      {"Refueling Stop", press("1001"), FlightResultChoice::RefuelingStop},
      {"Escape", [](FlightResultDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
       FlightResultChoice::Closed},
      {"closed", [](FlightResultDialog& dialog) { dialog.close(); }, FlightResultChoice::Closed},
  };
  QWidget owner;
  owner.show();
  for (const Case& c : cases) {
    bool modal = false;
    test::OnModal<FlightResultDialog>([&](FlightResultDialog& dialog) {
      modal = dialog.isModal() && dialog.parentWidget() == &owner;
      c.leave(dialog);
    });
    EXPECT_EQ(RunFlightResultDialog(&owner, kTexts), c.expected) << c.how;
    EXPECT_TRUE(modal) << c.how;
  }
}

}  // namespace
}  // namespace kestrix::gui
