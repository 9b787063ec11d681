#include "screens/window_gallery.h"

#include <QTableView>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

#include "gui/main/about_dialog.h"
#include "gui/chat/chat_window.h"
#include "gui/main/file_flight_report_dialog.h"
#include "gui/flight/flight_result_dialog.h"
#include "gui/flight/flight_window.h"
#include "gui/main/main_dialog.h"
#include "gui/platform/message_box_presenter.h"
#include "gui/main/pilot_info_dialog.h"
#include "gui/platform/progress_dialog.h"
#include "gui/flight/resume_flight_dialog.h"
#include "gui/main/settings_dialog.h"
#include "gui/app/splash_screen.h"
#include "gui/main/ticket_viewer.h"
#include "gui/track/track_window.h"
#include "gui/platform/web_host.h"
#include "platform/web_host.h"
#include "recorder/point_collector.h"
#include "recorder/result_texts.h"
#include "server/account.h"
#include "server/filing.h"
#include "server/ticket.h"
#include "sim/sim_link.h"
#include "sim/sim_transport.h"
#include "simulator_peer.h"
#include "store/database.h"
#include "track/flight_track.h"

namespace kestrix::screens {
namespace {

bool Write(const QPixmap& picture, const QString& path) {
  const bool saved = !picture.isNull() && picture.save(path);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
  return saved;
}

// Shows the window, lets it lay itself out and paint, and saves what it shows.
bool Save(QWidget& window, const QString& path, void (*afterShow)(QWidget&) = nullptr) {
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) QTest::qWait(200);
  if (afterShow) afterShow(window);
  QTest::qWait(50);
  const bool saved = Write(window.grab(), path);
  window.close();
  return saved;
}

void SelectFirstRow(QWidget& window) {
  if (auto* list = window.findChild<QTableView*>("1001")) list->selectRow(0);
}

// A box as the program shows it: through the desktop's presenter, saved
// from inside its own event loop and then answered with `answerKey`.
bool SaveMessageBox(const QString& path, const char* text, unsigned kind, Qt::Key answerKey) {
  bool saved = false;
  QTimer::singleShot(300, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      saved = Write(box->grab(), path);
      QTest::keyClick(box, answerKey);
    }
  });
  gui::QtMessageBoxPresenter().Present({nullptr, text, kProgramCaption, kind});
  return saved;
}

// Files a stored report and keeps the address of its report page instead of showing it.
class AddressCatcher : public WebHost {
 public:
  int ShowPage(WindowHandle, const std::string& firstPart, const std::string& secondPart) override {
    address = firstPart + secondPart;
    return 0;
  }
  void EnableWindow(WindowHandle, bool) override {}
  void BringToTop(WindowHandle) override {}
  std::string address;
};

std::string FiledReportPage() {
  std::vector<AvailableFlight> flights;
  Database().ReadAvailableFlights(flights);
  auto catcher = std::make_shared<AddressCatcher>();
  InstallWebHost(catcher);
  // The page is caught before the pilot completes it, so filing ends unconfirmed.
  for (const auto& flight : flights) {
    if (!(flight.status & FlightStatus::StatusCompleted)) continue;
    FileFlightReport(nullptr, flight.flightId);
    if (!catcher->address.empty()) break;
  }
  InstallWebHost(nullptr);
  return catcher->address;
}

// The report page in the embedded browser: the page is drawn by the
// browser's own process, so the picture is taken from the screen.
bool SaveWebHost(const QString& path) {
  gui::WebHostWindow window(nullptr, gui::PageAddress(FiledReportPage()));
  QSignalSpy loaded(window.View(), &QWebEngineView::loadFinished);
  window.show();
  loaded.wait(10000);
  QTest::qWait(500);
  QScreen* screen = window.screen();
  return Write(screen ? screen->grabWindow(window.winId()) : QPixmap(), path);
}

// The bar with its menu opened under "MENU", as the pilot sees it.
QPixmap BarWithMenu(gui::FlightWindow& window) {
  auto* menu = window.findChild<QMenu*>("128");
  menu->adjustSize();
  const QPixmap bar = window.grab();
  const QPixmap items = menu->grab();
  const QPoint at = window.findChild<QWidget*>("40001")->geometry().bottomLeft() + QPoint(0, 1);
  QPixmap both(std::max(bar.width(), at.x() + items.width()), at.y() + items.height());
  both.fill(Qt::white);
  QPainter painter(&both);
  painter.drawPixmap(0, 0, bar);
  painter.drawPixmap(at, items);
  return both;
}

// Runs a flight window for `flightId` over the stand-in simulator and lets
// `pose` put it in the state to be drawn, from inside the window's loop.
void RunFlightWindow(const std::string& simDir, const std::string& flightId, bool resume,
                     const std::function<void(gui::FlightWindow&)>& pose) {
  SimLink link(MakePosixSimTransport(simDir));
  int code = 0;
  gui::FlightWindow window(nullptr, link);
  if (!link.Open(code) || !window.SetFlightId(flightId)) return;
  window.SetResumeMode(resume, true);
  QTimer::singleShot(0, &window, [&] {
    QTest::qWait(100);
    pose(window);
    window.CloseWindow();
  });
  window.Run();
}

// The flight window recording in the climb, then a saved flight with a
// flight plan, waiting to be resumed and resumed.
bool SaveFlightWindows(const QString& outDir) {
  const std::string simDir = std::filesystem::current_path().string();
  SimulatorPeer sim(simDir);
  std::vector<AvailableFlight> flights;
  Database().ReadAvailableFlights(flights);
  if (!sim.Start() || flights.size() < 2) return false;
  for (int second = 0; second < 240; ++second) sim.Step(1.0);
  bool ok = true;
  RunFlightWindow(simDir, flights[0].flightId, false, [&](gui::FlightWindow& window) {
    window.RunCommand(gui::FlightCommand::StartFlight);
    // One tick of the recording timer fills the values.
    QTest::qWait(1200);
    ok = Write(window.grab(), outDir + "/flight_window_recording.png") && ok;
  });

  FlightRecord saved;
  saved.flightId = flights[1].flightId;
  saved.flightPhase = FlightPhase::Airborne;
  saved.recordedTime = 42 * 60;
  saved.flightPlanFile = (std::filesystem::current_path() / "KORD-KLAX.pln").string();
  Database().WriteTempFlight(saved);
  RunFlightWindow(simDir, saved.flightId, true, [&](gui::FlightWindow& window) {
    ok = Write(BarWithMenu(window), outDir + "/flight_window_resume.png") && ok;
    window.RunCommand(gui::FlightCommand::StartFlight);
    QTest::qWait(1200);
    ok = Write(BarWithMenu(window), outDir + "/flight_window_flight_plan.png") && ok;
  });
  sim.Stop();
  return ok;
}

// The values of a flight as it looks once landed, or when saved on the way
// and opened again.
FlightRecord DemoFlight() {
  FlightRecord flight;
  flight.flightMinutes = 61;
  flight.fuelUsed = 2480;
  flight.landingRate = -212.5;
  flight.landingSpeed = 131;
  flight.lastLatitude = 46.1503;
  flight.lastLongitude = -122.8667;
  flight.altitude = 11000;
  flight.heading = 168;
  flight.currentFuel = 7340;
  flight.recordedTime = 38 * 60 + 12;
  flight.groundTime = 14 * 60 + 5;
  return flight;
}

AvailableFlight FirstStoredFlight() {
  std::vector<AvailableFlight> flights;
  Database().ReadAvailableFlights(flights);
  return flights.empty() ? AvailableFlight{} : flights.front();
}

// The demo flight from Seattle to Portland as the stand-in simulator flies
// it, its points collected as the recorder does: every third second, with
// the recorder's usual triggers.
FlightTrack DemoTrack() {
  Scenario scenario;
  scenario.settings.cruiseAltitude = 11000;
  scenario.settings.cruiseSeconds = 960;
  scenario.events.push_back({150, ScenarioEventKind::Heading, 190});
  FlightModel model(scenario);
  PointCollector collector;
  collector.Configure(500, 15, 1000);
  double landingRate = 0;
  for (int second = 1; second < 4 * 3600 && model.Stage() != FlightStage::TaxiIn; ++second) {
    model.Step(1.0);
    const AircraftState& aircraft = model.State();
    const FlightPoint point{aircraft.latitude, aircraft.longitude, static_cast<int32_t>(std::lround(aircraft.altitude)),
                            static_cast<int32_t>(std::lround(aircraft.trueHeading))};
    if (!aircraft.onGround && !collector.Active()) {
      collector.Start(point);
    } else if (aircraft.onGround && collector.Active()) {
      collector.Finish(point);
      landingRate = aircraft.touchdownVerticalSpeed;
    } else if (collector.Active() && second % 3 == 0) {
      collector.Test(point);
    }
  }
  return {"KSEA", "KPDX", {{collector.Points(), true, landingRate}}};
}

// A conversation with a line of every kind, online, after one poll has marked who else is.
void FillChat(gui::ChatWindow& chat) {
  if (!chat.Engine().Online()) chat.findChild<QPushButton*>(QString::number(gui::ChatControl::OnlineButton))->click();
  chat.Engine().PollOnce();
  const std::pair<const char*, const char*> lines[] = {
      {"Welcome to Halvorn Chat.", ChatLineKind::User},
      {"HV1 Halvorn Operations is online.", ChatLineKind::Notify},
      {"HV7 Ann Lee: Anyone flying into KORD tonight? {ATC says 30 min holds}", ChatLineKind::Received},
      {"Heading there at 2100Z \\ gate B12.", ChatLineKind::OwnEcho},
      {"Private message from HV42 Bob Ray: Save me a spot at the gate.", ChatLineKind::Private},
      {"Server maintenance at 0400Z: expect a short outage.", ChatLineKind::Admin},
  };
  for (const auto& [text, kind] : lines) chat.AppendLine(text, kind);
}

}  // namespace

bool RenderEveryWindow(const QString& outDir) {
  bool ok = true;
  auto save = [&](const char* name, QWidget& window, void (*afterShow)(QWidget&) = nullptr) {
    ok = Save(window, outDir + "/" + name + ".png", afterShow) && ok;
  };
  {
    gui::MainDialog dialog;
    save("main_dialog", dialog, SelectFirstRow);
  }
  {
    gui::FileFlightReportDialog dialog;
    save("file_flight_reports", dialog, SelectFirstRow);
  }
  {
    gui::SettingsDialog dialog(nullptr, Database().ReadProgramSettings());
    save("settings", dialog);
  }
  {
    PilotInfo pilot;
    Database().ReadPilotInfo(pilot);
    gui::PilotInfoDialog dialog(nullptr, pilot);
    save("pilot_info", dialog);
  }
  {
    std::vector<AvailableFlight> flights;
    Database().ReadAvailableFlights(flights);
    std::string front, back;
    ServerLink link;
    for (const auto& flight : flights) {
      if (FetchTicketImages(link, flight.flightId, flight.type, front, back)) break;
    }
    gui::ViewTicketDialog dialog(nullptr, gui::DecodeTicketSide(front), gui::DecodeTicketSide(back));
    save("ticket_viewer", dialog);
  }
  {
    gui::ChatWindow chat;
    FillChat(chat);
    save("chat", chat);
  }
  {
    gui::AboutDialog dialog(nullptr);
    save("about", dialog);
  }
  {
    gui::FlightResultDialog dialog(nullptr, MakeResultTexts(FirstStoredFlight(), DemoFlight()));
    save("flight_result", dialog);
  }
  {
    const FlightRecord flight = DemoFlight();
    SimLink link;
    gui::ResumeFlightDialog dialog(nullptr, MakeResumeValuesTexts(flight, 50), link, flight);
    save("resume_flight", dialog);
  }
  {
    gui::WaitDialog dialog(nullptr);
    dialog.SetText("Downloading the flights list...\nPlease wait.");
    dialog.Advance(66);
    save("progress", dialog);
  }
  {
    gui::SplashScreen splash;
    save("splash", splash);
  }
  {
    gui::TrackWindow window(nullptr);
    window.SetTrack(DemoTrack());
    window.resize(1000, 700);
    save("track", window);
  }
  ok = SaveFlightWindows(outDir) && ok;
  ok = SaveMessageBox(outDir + "/message_box.png", "Are you sure you want to remove the data for flight HVN123?",
                      MessageKind::Question, Qt::Key_N) &&
       ok;
  ok = SaveMessageBox(outDir + "/message_box_retry.png", "Connection to Flight Simulator lost.",
                      MessageKind::RetryCancel, Qt::Key_Escape) &&
       ok;
  if (QApplication::platformName() != "offscreen") ok = SaveWebHost(outDir + "/web_host.png") && ok;
  return ok;
}

}  // namespace kestrix::screens
