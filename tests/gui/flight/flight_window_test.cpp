#include "gui/flight/flight_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolButton>

#include "gui/flight/flight_window_driver.h"
#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "protocol/reply_format.h"

namespace kestrix::gui {
namespace {

using test::FlightWindowFixture;
using test::MenuTexts;
using test::Text;

const std::vector<std::string> kMenu = {"Start Flight", "End Flight/PIREP...", "Add Flightplan...", "-",
                                        "Show Chat Window", "-", "Options>", "-", "Save/Continue Flight Later...",
                                        "-", "Show Track..."};

std::vector<std::string> TrayMenu() {
  std::vector<std::string> texts = {"Restore", "-"};
  texts.insert(texts.end(), kMenu.begin(), kMenu.end());
  return texts;
}

QColor TextColour(FlightWindow& window, const QString& name) {
  return window.findChild<QLabel*>(name)->palette().color(QPalette::WindowText);
}

class FlightWindowTest : public FlightWindowFixture {
 protected:
  void ClickTrayButton(FlightWindow& window) {
    QTest::mouseClick(window.findChild<QToolButton*>("1001"), Qt::LeftButton);
  }
};

TEST_F(FlightWindowTest, BarSitsAtTheTopEdgeWithItsControlsAndMenu) {
  RunWindow([&](FlightWindow& window) {
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Kestrix v2");
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window.font().family(), "Trebuchet MS");
    EXPECT_EQ(window.size(), window.Units().Size(QSize(686, 10)));
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.geometry().top(), screen.top());
    EXPECT_NEAR(window.geometry().center().x(), screen.center().x(), 1);

    EXPECT_EQ(Text(window, 1004), "KESTRIX");
    EXPECT_EQ(Text(window, 1005), "HALVORN");
    EXPECT_EQ(Text(window, 40001), "MENU");
    EXPECT_EQ(TextColour(window, "40001"), kLogoBlue);
    EXPECT_EQ(TextColour(window, "1005"), kLogoBlue);
    EXPECT_EQ(TextColour(window, "1004"), kLightColour);
    for (const int id : {40002, 40003, 40004, 40005, 40006, 40007, 1003})
      EXPECT_EQ(TextColour(window, QString::number(id)), QColor(0xE7, 0xBE, 0x43)) << id;
    for (const char* label : {"ALT", "HDG", "TAS", "TIME REC", "GRND REM", "FUEL REM", "OAT"}) {
      bool found = false;
      for (QLabel* child : window.findChildren<QLabel*>())
        if (child->text() == label) found = child->palette().color(QPalette::WindowText) == kLightColour;
      EXPECT_TRUE(found) << label;
    }

    QLabel* light = window.findChild<QLabel*>("1000");
    EXPECT_EQ(light->toolTip(), "Recorder stopped. Waiting for flight start.");
    EXPECT_FALSE(light->pixmap().isNull());
    EXPECT_EQ(window.findChild<QToolButton*>("1001")->toolTip(), "Minimize to system tray");
    EXPECT_NE(window.findChild<QWidget*>("40022"), nullptr);

    EXPECT_EQ(MenuTexts(test::FlightMenu(window)), kMenu);
    EXPECT_FALSE(test::FlightMenuItem(window, FlightCommand::EndFlight)->isEnabled());
    EXPECT_FALSE(test::WindowTimer(window, 2).isActive());
    EXPECT_FALSE(test::WindowTimer(window, 3).isActive());
  });
}

TEST_F(FlightWindowTest, OnlyTheMenuLabelsInsideOpensTheMenuAndShowsTheHand) {
  RunWindow([&](FlightWindow& window) {
    const DialogUnits& units = window.Units();
    const int middle = units.Y(5);
    struct Case {
      QPoint at;
      bool opens;
    };
    const Case cases[] = {
        {{units.X(101), middle}, false},    {{units.X(101) + 1, middle}, true}, {{units.X(118), middle}, true},
        {{units.X(134) - 1, middle}, true}, {{units.X(134), middle}, false},   {{units.X(118), 0}, false},
        {{units.X(60), middle}, false},     {{units.X(623), middle}, false},  // the chat button
    };
    for (const Case& c : cases) {
      const int before = pilot.shown;
      QTest::mouseClick(&window, Qt::LeftButton, {}, c.at);
      EXPECT_EQ(pilot.shown - before, c.opens ? 1 : 0) << c.at.x() << "," << c.at.y();
      QWidget* under = window.childAt(c.at);
      EXPECT_EQ((under ? under : &window)->cursor().shape(), c.opens ? Qt::PointingHandCursor : Qt::ArrowCursor)
          << c.at.x() << "," << c.at.y();
    }
    const QRect label = window.findChild<QLabel*>("40001")->geometry();
    EXPECT_EQ(pilot.shownAt, window.mapToGlobal(QPoint(label.left(), label.bottom() + 1)));
  });
}

TEST_F(FlightWindowTest, ValuesAfterATickShowTheSimulatorAndTheRecorder) {
  SetVariable("maxGroundTime", "30");
  Scenario parked = test::ShortFlight();
  parked.settings.holdSeconds = 3600;
  sim.SetScenario(parked);
  RunWindow([&](FlightWindow& window) {
    Choose(window, FlightCommand::StartFlight);
    EXPECT_FALSE(test::FlightMenuItem(window, FlightCommand::StartFlight)->isEnabled());
    EXPECT_TRUE(test::WindowTimer(window, 2).isActive());
    EXPECT_EQ(test::WindowTimer(window, 2).interval(), 1000);
    Tick(window, 90);
    // Parked at the field's 430 ft facing 160, a minute and a half after the start, in the
    // standard atmosphere's 14 degrees there.
    const std::pair<int, std::string> expected[] = {
        {40002, "430ft"}, {40003, "160\u00B0"}, {40004, "0kts"}, {40005, "1 min"},
        {40006, "29 min"}, {1003, "14 C"},
    };
    for (const auto& [id, text] : expected) EXPECT_EQ(Text(window, id), text) << id;
    const int fuel = static_cast<int>(sim.Aircraft().FuelPounds());
    EXPECT_NEAR(std::stoi(Text(window, 40007)), fuel, 1);
    EXPECT_TRUE(Text(window, 40007).ends_with(" lbs"));
    EXPECT_EQ(window.findChild<QLabel*>("1000")->toolTip(), "Recording.");
  });
}

TEST_F(FlightWindowTest, FlightIdMustBeANumberOrAGuid) {
  const std::pair<std::string, bool> cases[] = {
      {"0", false}, {"abc", false}, {"12345", true}, {NewGuidString(), true}};
  for (const auto& [flightId, accepted] : cases) {
    boxes.Clear();
    SimLink link(MakePosixSimTransport(workDir.Path().string()));
    FlightWindow window(nullptr, link);
    EXPECT_EQ(window.SetFlightId(flightId), accepted) << flightId;
    const std::vector<MessageBoxRequest> shown = boxes.Shown();
    ASSERT_EQ(shown.size(), accepted ? 0u : 1u) << flightId;
    if (!accepted) {
      EXPECT_EQ(shown[0].text, "The FlightId is invalid.");
      EXPECT_EQ(shown[0].flags, MessageKind::Error);
    }
  }
}

TEST_F(FlightWindowTest, TrayHoldsTheWindowAndGivesItBackEitherWay) {
  enum class Way { RestoreItem, DoubleClick };
  for (const Way way : {Way::RestoreItem, Way::DoubleClick}) {
    RunWindow([&](FlightWindow& window) {
      Choose(window, FlightCommand::StartFlight);
      ClickTrayButton(window);
      EXPECT_FALSE(window.isVisible());
      EXPECT_TRUE(tray.shown);
      EXPECT_EQ(MenuTexts(test::FlightMenu(window)), TrayMenu());
      EXPECT_EQ(test::FlightMenu(window).actions()[8]->text(), "Options");

      Tick(window, 2);
      EXPECT_TRUE(tray.tip.startsWith("Recording.\n\nALT: 430ft\nHDG: 160\u00B0\nTAS: 0kts\nTIMEREC: 0 min"))
          << tray.tip.toStdString();
      EXPECT_LE(tray.tip.size(), 127);
      const int updates = tray.updates;
      Tick(window);
      EXPECT_EQ(tray.updates, updates + 1);

      if (way == Way::RestoreItem) {
        ASSERT_EQ(tray.menu, &test::FlightMenu(window));
        tray.menu->actions()[0]->trigger();
      } else {
        tray.icon->onDoubleClick();
      }
      EXPECT_TRUE(window.isVisible());
      EXPECT_FALSE(tray.shown);
      EXPECT_EQ(MenuTexts(test::FlightMenu(window)), kMenu);
      QMenu* options = test::FlightMenu(window).actions()[6]->menu();
      ASSERT_NE(options, nullptr);
      EXPECT_EQ(options->actions()[0]->text(), "Always on top");
    });
  }
}

// The desktop's own tray icon, told that there is a tray: offscreen there is none.
class TrayOnThisDesktop : public TrayIcon {
 public:
  explicit TrayOnThisDesktop(QObject* owner) : real(CreateSystemTrayIcon(owner)) {
    real->onDoubleClick = [this] { onDoubleClick(); };
  }
  bool Available() const override { return true; }
  void Show(const QIcon& icon, const QString& tip) override { real->Show(icon, tip); }
  void Update(const QIcon& icon, const QString& tip) override { real->Update(icon, tip); }
  void Remove() override { real->Remove(); }
  void SetMenu(QMenu* menu) override { real->SetMenu(menu); }

 private:
  std::unique_ptr<TrayIcon> real;
};

// On a desktop with a tray, hiding the icon destroys the window that holds it,
// the one delivering the pilot's click: the icon has to outlast its own event.
TEST_F(FlightWindowTest, TheDesktopsTrayIconOutlastsTheClickOrMenuItemThatRestoresTheWindow) {
  InstallTrayIconFactory([](QObject* owner) { return std::make_unique<TrayOnThisDesktop>(owner); });
  enum class Way { RestoreItem, DoubleClick };
  for (const Way way : {Way::RestoreItem, Way::DoubleClick}) {
    RunWindow([&](FlightWindow& window) {
      ClickTrayButton(window);
      auto* icon = window.findChild<QSystemTrayIcon*>();
      ASSERT_NE(icon, nullptr);
      ASSERT_TRUE(icon->isVisible());
      ASSERT_EQ(icon->contextMenu(), &test::FlightMenu(window));
      bool wholeAfterItsEvent = false;
      if (way == Way::RestoreItem) {
        QAction* restore = icon->contextMenu()->actions()[0];
        ASSERT_EQ(restore->text(), "Restore");
        // Connected after the window, so this runs once the window has acted.
        QObject::connect(restore, &QAction::triggered, icon, [&] { wholeAfterItsEvent = icon->isVisible(); });
        restore->trigger();
      } else {
        emit icon->activated(QSystemTrayIcon::DoubleClick);
        wholeAfterItsEvent = icon->isVisible();
      }
      EXPECT_TRUE(wholeAfterItsEvent);
      EXPECT_TRUE(window.isVisible());
      EXPECT_FALSE(window.InTray());
      EXPECT_TRUE(QTest::qWaitFor([&] { return !icon->isVisible(); }, 2000));
      EXPECT_EQ(MenuTexts(test::FlightMenu(window)), kMenu);
    });
  }
}

TEST_F(FlightWindowTest, MinimizedSettingOpensInTheTray) {
  Database().WriteProgramSettings(ProgramSettings::Minimized);
  RunWindow([&](FlightWindow& window) {
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.InTray());
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.tip, "Recorder stopped. Waiting for flight start.");
    EXPECT_EQ(MenuTexts(test::FlightMenu(window)), TrayMenu());
  });
  EXPECT_FALSE(tray.shown);
}

TEST_F(FlightWindowTest, WithoutASystemTrayTheWindowStaysAndSaysSoOnce) {
  const std::string notice = "This desktop has no system tray, so the flight window stays on the screen.";
  tray.available = false;
  Database().WriteProgramSettings(ProgramSettings::Minimized);
  RunWindow([&](FlightWindow& window) {
    EXPECT_TRUE(window.isVisible());
    ClickTrayButton(window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.InTray());
    EXPECT_EQ(MenuTexts(test::FlightMenu(window)), kMenu);
  });
  const std::vector<std::string> texts = boxes.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), notice), 1);
}

TEST_F(FlightWindowTest, AlwaysOnTopAndOnlineModeFollowTheSettingsAndTheMenu) {
  Database().WriteProgramSettings(ProgramSettings::OnTop | ProgramSettings::Online);
  RunWindow([&](FlightWindow& window) {
    QAction* onTop = test::FlightMenuItem(window, FlightCommand::AlwaysOnTop);
    QAction* online = test::FlightMenuItem(window, FlightCommand::OnlineMode);
    EXPECT_TRUE(onTop->isChecked());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(online->isChecked());

    Choose(window, FlightCommand::StartFlight);
    EXPECT_EQ(airline.State().LivePositions().count(kPilotNumber), 1u);
    Choose(window, FlightCommand::OnlineMode);
    EXPECT_FALSE(online->isChecked());
    EXPECT_TRUE(airline.State().LivePositions().empty());
    Choose(window, FlightCommand::OnlineMode);
    EXPECT_TRUE(online->isChecked());
    EXPECT_EQ(airline.State().LivePositions().count(kPilotNumber), 1u);

    const QPoint at = window.pos();
    Choose(window, FlightCommand::AlwaysOnTop);
    EXPECT_FALSE(onTop->isChecked());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.pos(), at);
    Choose(window, FlightCommand::AlwaysOnTop);
    EXPECT_TRUE(onTop->isChecked());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.pos(), at);
  });
}

TEST_F(FlightWindowTest, OfflineSettingStartsWithTheOfflineNotice) {
  Database().WriteProgramSettings(0);
  RunWindow([&](FlightWindow& window) {
    EXPECT_FALSE(test::FlightMenuItem(window, FlightCommand::OnlineMode)->isChecked());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    Choose(window, FlightCommand::StartFlight);
    EXPECT_TRUE(airline.State().LivePositions().empty());
    EXPECT_EQ(RequestsTo(airline::Route::LiveReport).size(), 1u);
  });
}

TEST_F(FlightWindowTest, ChosenFlightPlanGoesUpWithTheNextLiveReport) {
  const std::filesystem::path plan = workDir.Path() / "KORD-KLAX.pln";
  std::ofstream(plan) << "KORD DCT KLAX\n";
  Database().WriteProgramSettings(ProgramSettings::Online);
  RunWindow([&](FlightWindow& window) {
    Choose(window, FlightCommand::StartFlight);
    Choose(window, FlightCommand::FlightPlan);
    EXPECT_EQ(test::FlightMenuItem(window, FlightCommand::FlightPlan)->text(), "Add Flightplan...");
    EXPECT_TRUE(boxes.Shown().empty());

    files->answer = plan.string();
    Choose(window, FlightCommand::FlightPlan);
    ASSERT_EQ(files->requests.size(), 2u);
    const FileChooserRequest& request = files->requests[1];
    EXPECT_EQ(request.title, "Add Flightplan");
    EXPECT_EQ(request.owner, HandleOf(&window));
    EXPECT_EQ(request.filters,
              (std::vector<FileFilter>{{"Flight Plans (*.pln)", "*.pln"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_EQ(test::FlightMenuItem(window, FlightCommand::FlightPlan)->text(), "Update Flightplan...");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Flight plan saved.");
    EXPECT_EQ(boxes.Shown()[0].caption, "Upload Flight Plan");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);

    EXPECT_TRUE(airline.State().FlightPlans().empty());
    Tick(window, 60);
    const auto plans = airline.State().FlightPlans();
    ASSERT_EQ(plans.size(), 1u);
    EXPECT_TRUE(plans[0].complete);
    EXPECT_EQ(plans[0].text, "KORD!DCT!KLAX$");  // as the query carries it
    EXPECT_EQ(plans[0].fileName, "KORD-KLAX.pln");
    EXPECT_EQ(plans[0].flightId, test::kFlightId);
    EXPECT_EQ(plans[0].pilotNumber, kPilotNumber);

    Choose(window, FlightCommand::FlightPlan);
    EXPECT_EQ(files->requests.back().title, "Update Flightplan");
  });
}

TEST_F(FlightWindowTest, ResumeReminderAsksEveryTwoMinutesUntilTheFlightResumes) {
  FlightRecord saved;
  saved.flightId = test::kFlightId;
  saved.flightPhase = FlightPhase::Airborne;
  saved.recordedTime = 600;
  ASSERT_TRUE(Database().WriteTempFlight(saved));
  const std::string reminder =
      "Just a reminder to select Menu->Resume Flight to restart the recording.\n\nWould you like to be reminded again?";
  for (const bool keepReminding : {false, true}) {
    RunWindow(
        [&](FlightWindow& window) {
          EXPECT_EQ(test::FlightMenuItem(window, FlightCommand::StartFlight)->text(), "Resume Flight");
          QTimer& timer = test::WindowTimer(window, 3);
          ASSERT_TRUE(timer.isActive());
          EXPECT_EQ(timer.interval(), 120000);
          boxes.Answer(MessageResult::Yes);
          test::Fire(timer);
          EXPECT_TRUE(timer.isActive());
          if (keepReminding) {
            Choose(window, FlightCommand::StartFlight);
            Tick(window);
            EXPECT_EQ(Text(window, 40005), "10 min");
          } else {
            boxes.Answer(MessageResult::No);
            test::Fire(timer);
          }
          EXPECT_FALSE(timer.isActive());
        },
        test::kFlightId, true);
    const std::vector<std::string> texts = boxes.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), reminder), keepReminding ? 1 : 2);
    boxes.Clear();
  }
}

}  // namespace
}  // namespace kestrix::gui
