#pragma once

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "gui/main/flight_menu.h"
#include "gui/flight/flight_window.h"
#include "gui/flight/tray_icon.h"
#include "platform/file_chooser.h"
#include "server/airline_fixture.h"
#include "sim/sim_transport.h"
#include "simulator_peer.h"
#include "support/fake_clock.h"
#include "support/scripted_file_chooser.h"
#include "support/stored_flights.h"

namespace kestrix::test {

inline constexpr const char* kFlightId = "12345";

// What the desktop's tray holds, and the window's icon to click on.
struct TrayState {
  bool available = true;
  bool shown = false;
  QString tip;
  int updates = 0;
  QMenu* menu = nullptr;
  gui::TrayIcon* icon = nullptr;
};

class FakeTrayIcon : public gui::TrayIcon {
 public:
  explicit FakeTrayIcon(TrayState& state) : state(state) { state.icon = this; }
  ~FakeTrayIcon() override { state.icon = nullptr; }
  bool Available() const override { return state.available; }
  void Show(const QIcon&, const QString& tip) override {
    state.shown = true;
    state.tip = tip;
  }
  void Update(const QIcon&, const QString& tip) override {
    state.tip = tip;
    ++state.updates;
  }
  void Remove() override { state.shown = false; }
  void SetMenu(QMenu* menu) override { state.menu = menu; }

 private:
  TrayState& state;
};

// Stands in for the pilot at a pop-up menu: picks the item with the command
// id `choice`, submenus included (none when 0).
class PopupPilot {
 public:
  PopupPilot() {
    gui::InstallPopupMenuRunner([this](QMenu& menu, const QPoint& at) {
      ++shown;
      shownAt = at;
      return Find(menu, choice);
    });
  }
  ~PopupPilot() { gui::InstallPopupMenuRunner(nullptr); }

  static QAction* Find(QMenu& menu, int id) {
    for (QAction* action : menu.actions()) {
      if (action->menu()) {
        if (QAction* inner = Find(*action->menu(), id)) return inner;
      } else if (!action->isSeparator() && action->data().toInt() == id) {
        return action;
      }
    }
    return nullptr;
  }

  int choice = 0;
  int shown = 0;
  QPoint shownAt;
};

// The flight window's menu as the pilot reads it: item texts, "-" for a
// separator, a submenu's title followed by ">".
inline std::vector<std::string> MenuTexts(QMenu& menu) {
  std::vector<std::string> texts;
  for (QAction* action : menu.actions())
    texts.push_back(action->isSeparator() ? "-" : action->text().toStdString() + (action->menu() ? ">" : ""));
  return texts;
}

inline QMenu& FlightMenu(gui::FlightWindow& window) { return *window.findChild<QMenu*>("128"); }

inline QAction* FlightMenuItem(gui::FlightWindow& window, int id) { return PopupPilot::Find(FlightMenu(window), id); }

// Lets a window timer go off now, as if its interval had passed.
inline void Fire(QTimer& timer) {
  QTimerEvent event(timer.timerId());
  QCoreApplication::sendEvent(&timer, &event);
}

inline QTimer& WindowTimer(gui::FlightWindow& window, int id) {
  return *window.findChild<QTimer*>(QString::number(id));
}

inline std::string Text(gui::FlightWindow& window, int id) {
  return window.findChild<QLabel*>(QString::number(id))->text().toStdString();
}

// A short flight from a parked start: up to 2000 ft, a few seconds of cruise, back down.
inline Scenario ShortFlight() {
  Scenario scenario;
  ScenarioSettings& settings = scenario.settings;
  settings.magneticVariation = 0;
  settings.holdSeconds = 5;
  settings.taxiOutSeconds = 10;
  settings.climbRate = 3000;
  settings.cruiseAltitude = settings.elevation + 2000;
  settings.cruiseSeconds = 30;
  settings.descentRate = 1500;
  settings.taxiInSeconds = 10;
  return scenario;
}

// The stand-in airline and simulator, a real store holding flight kFlightId,
// a fake clock, a tray to look at, and a pilot for the pop-up menus and the
// file-open dialog.
class FlightWindowFixture : public AirlineFixture {
 protected:
  FlightWindowFixture() : sim(workDir.Path().string()) {}

  void SetUp() override {
    AirlineFixture::SetUp();
    if (HasFatalFailure()) return;
    InstallClock(clock);
    setenv("KESTRIX_SIM_DIR", workDir.Path().c_str(), 1);
    sim.SetScenario(ShortFlight());
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    gui::InstallTrayIconFactory([this](QObject*) { return std::make_unique<FakeTrayIcon>(tray); });
    InstallFileChooser(files);
    StoreFlights({MakeFlight(kFlightId, "SCH", 0)});
  }

  void TearDown() override {
    InstallFileChooser(nullptr);
    gui::InstallTrayIconFactory(nullptr);
    sim.Stop();
    unsetenv("KESTRIX_SIM_DIR");
    InstallClock(nullptr);
    AirlineFixture::TearDown();
  }

  // Opens a flight window of its own for `flightId` and runs it; `actions`
  // play the pilot inside the window's loop, which ends after them. A
  // resumed flight opens without the last recorded values.
  void RunWindow(const std::function<void(gui::FlightWindow&)>& actions, const std::string& flightId = kFlightId,
                 bool resume = false) {
    SimLink link(MakePosixSimTransport(workDir.Path().string()));
    int code = 0;
    ASSERT_TRUE(link.Open(code)) << "code " << code;
    gui::FlightWindow window(nullptr, link);
    ASSERT_TRUE(window.SetFlightId(flightId));
    window.SetResumeMode(resume, true);
    QTimer::singleShot(0, &window, [&] {
      actions(window);
      window.CloseWindow();
    });
    window.Run();
  }

  // The pilot presses "MENU" and picks the item `id`.
  void Choose(gui::FlightWindow& window, int id) {
    pilot.choice = id;
    QTest::mouseClick(window.findChild<QLabel*>("40001"), Qt::LeftButton);
    pilot.choice = 0;
  }

  // A second of flight: the simulator and the clock move, then the window's timer goes off.
  void Tick(gui::FlightWindow& window, int count = 1) {
    for (int i = 0; i < count; ++i) {
      sim.Step(1.0);
      clock->Advance(1000);
      QTimer& timer = WindowTimer(window, 2);
      if (timer.isActive()) Fire(timer);
    }
  }

  bool TickUntil(gui::FlightWindow& window, FlightStage stage, int limit = 3000) {
    for (int i = 0; i < limit && sim.Stage() != stage; ++i) Tick(window);
    return sim.Stage() == stage;
  }

  std::shared_ptr<FakeClock> clock = std::make_shared<TestThreadClock>();
  SimulatorPeer sim;
  TrayState tray;
  PopupPilot pilot;
  std::shared_ptr<ScriptedFileChooser> files = std::make_shared<ScriptedFileChooser>();
};

}  // namespace kestrix::test
