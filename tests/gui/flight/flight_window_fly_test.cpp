#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include "gui/flight/flight_window_driver.h"
#include "gui/main/flights_list_driver.h"
#include "gui/chat/chat_button.h"
#include "gui/chat/chat_window.h"
#include "gui/flight/flight_result_dialog.h"
#include "gui/main/main_dialog.h"
#include "gui/flight/resume_flight_dialog.h"
#include "gui/modal.h"
#include "gui/platform/message_box_presenter.h"
#include "support/other_simulators.h"

namespace kestrix::gui {
namespace {

using test::FlightMenuItem;
using test::kFlightId;

constexpr const char* kConnectionLost = "Connection to Flight Simulator lost.";

// The pilot at the desktop's own message box showing `text`: `before` runs
// while it is open, then the button labelled `button` is pressed.
void PressOnBox(const QString& text, const QString& button, const std::function<void()>& before = {}) {
  test::WhenOpen<QMessageBox>(
      [text]() -> QMessageBox* {
        for (QWidget* widget : QApplication::topLevelWidgets())
          if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible() && box->text() == text) return box;
        return nullptr;
      },
      [button, before](QMessageBox& box) {
        if (before) before();
        for (QAbstractButton* shown : box.buttons()) {
          if (shown->text().remove('&') == button) return QTest::mouseClick(shown, Qt::LeftButton);
        }
        ADD_FAILURE() << "no button " << button.toStdString();
        box.hide();
      });
}

class FlySelectedFlightTest : public test::FlightWindowFixture {
 protected:
  void SetUp() override {
    FlightWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    test::PointOtherSimulatorsAt(1);
    airline.State().SetSchedule(kUser, {test::MakeFlight(kFlightId, "SCH", 0)});
    SetVariable("maxGroundTime", "30");
  }

  // The pilot picks the flight in the list and presses "Fly Selected Flight";
  // `flight` plays the pilot in the flight window. Returns once the pilot has
  // left the main dialog, which must have come back after the flight.
  void FlyFromTheList(const std::function<void(FlightWindow&)>& flight) {
    MainDialog dialog;
    bool leftByThePilot = false;
    // The flight starts once the window has opened and runs its own loop.
    test::WhenOpen<FlightWindow>(
        []() -> FlightWindow* {
          for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<FlightWindow*>(widget); window && window->Running()) return window;
          return nullptr;
        },
        flight);
    QTimer::singleShot(0, &dialog, [&] {
      QTableView* list = test::FlightsList(dialog);
      test::ClickRow(*list, test::RowOf(*list, kFlightId));
      QTest::mouseClick(dialog.findChild<QPushButton*>("1003"), Qt::LeftButton);
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
      EXPECT_TRUE(dialog.findChildren<FlightWindow*>().isEmpty());
      afterFlight(dialog);
      QTimer::singleShot(0, &dialog, [&] {
        leftByThePilot = true;
        dialog.RunCommand(MainCommand::Exit);
      });
    });
    dialog.exec();
    EXPECT_TRUE(leftByThePilot) << "the main dialog ended with the flight";
  }

  std::function<void(MainDialog&)> afterFlight = [](MainDialog&) {};
};

TEST_F(FlySelectedFlightTest, AWholeFlightEndsAsAStoredReport) {
  afterFlight = [](MainDialog& dialog) {
    QTableView* list = test::FlightsList(dialog);
    EXPECT_EQ(test::RowOf(*list, kFlightId), -1);
    EXPECT_FALSE(dialog.findChild<QPushButton*>("1003")->isEnabled());
  };
  FlyFromTheList([&](FlightWindow& window) {
    Choose(window, FlightCommand::StartFlight);
    ASSERT_TRUE(TickUntil(window, FlightStage::Stopped));
    EXPECT_TRUE(FlightMenuItem(window, FlightCommand::EndFlight)->isEnabled());
    boxes.Answer(MessageResult::Yes);
    boxes.Answer(MessageResult::No);
    test::OnModal<FlightResultDialog>([](FlightResultDialog& results) {
      QTest::mouseClick(results.findChild<QPushButton*>("1"), Qt::LeftButton);
    });
    Choose(window, FlightCommand::EndFlight);
  });

  std::vector<FlightRecord> reports;
  Database().ReadFlightReports(reports, true);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].flightId, kFlightId);
  EXPECT_GT(reports[0].flightMinutes, 1);
  EXPECT_NEAR(reports[0].landingRate, -180, 20);
  EXPECT_GT(reports[0].fuelUsed, 0);
  EXPECT_GE(reports[0].points.size(), 2u);
  EXPECT_TRUE(test::StoredFlight(kFlightId)->status & FlightStatus::StatusCompleted);
  std::vector<std::string> temp;
  Database().ReadTempFlightIds(temp);
  EXPECT_TRUE(temp.empty());
  EXPECT_TRUE(boxes.Saw("Don't forget to go to File->File Flight Reports to finish the PIREP process."));
  EXPECT_EQ(boxes.UnusedAnswers(), 0u);
  EXPECT_FALSE(RequestsTo(airline::Route::LiveReport).empty());
}

TEST_F(FlySelectedFlightTest, TheChatOpensFromTheFlightWindowWhileTheMainDialogIsHidden) {
  FlyFromTheList([&](FlightWindow& window) {
    auto* chat = window.parentWidget()->findChild<ChatWindow*>();
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(chat->isVisible());
    Choose(window, FlightCommand::ShowChat);
    EXPECT_TRUE(chat->isVisible());
    EXPECT_FALSE(window.parentWidget()->isVisible());
    chat->hide();
    QTest::mouseClick(window.findChild<ChatButton*>(), Qt::LeftButton);
    EXPECT_TRUE(chat->isVisible());
    boxes.Answer(MessageResult::Yes);
    Choose(window, FlightCommand::SaveLater);
  });
  EXPECT_TRUE(boxes.Saw("Are you sure you want to cancel this flight?"));
}

TEST_F(FlySelectedFlightTest, LostSimulatorClosesTheFlightWhenThePilotGivesUp) {
  FlyFromTheList([&](FlightWindow& window) {
    Choose(window, FlightCommand::StartFlight);
    Tick(window, 3);
    sim.Vanish();
    boxes.Answer(MessageResult::Cancel);
    Tick(window);
    EXPECT_FALSE(window.isVisible());
  });
  EXPECT_TRUE(boxes.Saw("Connection to Flight Simulator lost."));
  EXPECT_EQ(boxes.UnusedAnswers(), 0u);
  EXPECT_EQ(test::StoredFlight(kFlightId)->status, 0);
}

// A whole flight with the desktop's own boxes, the lost link among them.
TEST_F(FlySelectedFlightTest, AWholeFlightWithTheDesktopsBoxesRetriesALostLinkAndGoesOnWithTheSameRecording) {
  InstallMessageBoxPresenter(std::make_shared<QtMessageBoxPresenter>());
  FlightRecord before;
  FlyFromTheList([&](FlightWindow& window) {
    Choose(window, FlightCommand::StartFlight);
    ASSERT_TRUE(TickUntil(window, FlightStage::Cruise));
    before = window.Recorder().TempFlight();
    sim.Vanish();
    bool asked = false;
    PressOnBox(kConnectionLost, "Retry", [&] {
      asked = true;
      EXPECT_TRUE(sim.Return());
    });
    Tick(window);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.Recorder().StatusState(), RecorderStatus::Recording);
    EXPECT_EQ(window.Recorder().TempFlight().startTime, before.startTime);

    ASSERT_TRUE(TickUntil(window, FlightStage::Stopped));
    PressOnBox("Would you like to end and save this flight?", "Yes");
    test::OnModal<FlightResultDialog>([](FlightResultDialog& results) {
      QTest::mouseClick(results.findChild<QPushButton*>("1"), Qt::LeftButton);
    });
    PressOnBox("Flight results saved.\nWould you like to PIREP this flight at this time?", "No");
    PressOnBox("Don't forget to go to File->File Flight Reports to finish the PIREP process.", "OK");
    Choose(window, FlightCommand::EndFlight);
    EXPECT_FALSE(window.isVisible());
  });

  std::vector<FlightRecord> reports;
  Database().ReadFlightReports(reports, false);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].startTime, before.startTime);
  EXPECT_GT(reports[0].flightMinutes, WholeMinutes(before.recordedTime));
  EXPECT_TRUE(test::StoredFlight(kFlightId)->status & FlightStatus::StatusCompleted);
}

TEST_F(FlySelectedFlightTest, CancelInTheDesktopsBoxEndsTheFlightAndTheNextFlyOffersToResumeIt) {
  InstallMessageBoxPresenter(std::make_shared<QtMessageBoxPresenter>());
  int64_t recorded = 0;
  FlyFromTheList([&](FlightWindow& window) {
    Choose(window, FlightCommand::StartFlight);
    ASSERT_TRUE(TickUntil(window, FlightStage::Cruise));
    Tick(window, 10);
    recorded = window.Recorder().TempFlight().recordedTime;
    sim.Vanish();
    PressOnBox(kConnectionLost, "Cancel");
    Tick(window);
    EXPECT_FALSE(window.isVisible());
  });

  FlightRecord stored;
  ASSERT_TRUE(Database().ReadTempFlight(kFlightId, stored, false, false));
  EXPECT_EQ(stored.recordedTime, recorded);
  EXPECT_TRUE(test::StoredFlight(kFlightId)->status & FlightStatus::StatusInProgress);

  ASSERT_TRUE(sim.Return());
  test::ScriptedMessageBox answers;
  bool valuesShown = false;
  test::OnModal<ResumeFlightDialog>([&](ResumeFlightDialog& values) {
    valuesShown = true;
    QTest::mouseClick(values.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  FlyFromTheList([&](FlightWindow& window) {
    EXPECT_EQ(FlightMenuItem(window, FlightCommand::StartFlight)->text(), "Resume Flight");
    answers.Answer(MessageResult::Yes);
    Choose(window, FlightCommand::SaveLater);
  });
  EXPECT_TRUE(valuesShown);
  EXPECT_TRUE(answers.Saw("Don't forget to goto Menu->Resume Flight to restart the recording process."));
}

TEST_F(FlySelectedFlightTest, NoSimulatorNoFlightWindow) {
  sim.Stop();
  MainDialog dialog;
  dialog.show();
  QTableView* list = test::FlightsList(dialog);
  test::ClickRow(*list, test::RowOf(*list, kFlightId));
  QTest::mouseClick(dialog.findChild<QPushButton*>("1003"), Qt::LeftButton);
  const std::vector<std::string> texts = boxes.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].starts_with("Unable to find Flight Simulator.")) << texts[0];
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.findChildren<FlightWindow*>().isEmpty());
}

TEST_F(FlySelectedFlightTest, ASavedFlightResumesWithItsTotals) {
  FlightRecord saved;
  saved.flightId = kFlightId;
  saved.flightPhase = FlightPhase::Airborne;
  saved.recordedTime = 600;
  ASSERT_TRUE(Database().WriteTempFlight(saved));
  bool valuesShown = false;
  test::OnModal<ResumeFlightDialog>([&](ResumeFlightDialog& values) {
    valuesShown = true;
    QTest::mouseClick(values.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  FlyFromTheList([&](FlightWindow& window) {
    EXPECT_TRUE(valuesShown);
    EXPECT_TRUE(boxes.Saw("Don't forget to goto Menu->Resume Flight to restart the recording process."));
    EXPECT_EQ(FlightMenuItem(window, FlightCommand::StartFlight)->text(), "Resume Flight");
    EXPECT_TRUE(test::WindowTimer(window, 3).isActive());
    Choose(window, FlightCommand::StartFlight);
    EXPECT_FALSE(test::WindowTimer(window, 3).isActive());
    Tick(window, 60);
    EXPECT_EQ(test::Text(window, 40005), "11 min");
    boxes.Answer(MessageResult::Yes);
    Choose(window, FlightCommand::SaveLater);
  });
  EXPECT_TRUE(boxes.Saw("The current flight has been saved."));
  FlightRecord stored;
  ASSERT_TRUE(Database().ReadTempFlight(kFlightId, stored, false, false));
  EXPECT_EQ(stored.recordedTime, 660);
}

}  // namespace
}  // namespace kestrix::gui
