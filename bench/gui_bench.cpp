// The main dialog's list with a whole schedule, offscreen, against the stand-in airline.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "airline/airline_server.h"
#include "bench_figures.h"
#include "program_start.h"
#include "app/flight_commands.h"
#include "gui/base/desktop_style.h"
#include "gui/flight/flight_window.h"
#include "gui/main/main_dialog.h"
#include "gui/track/track_window.h"
#include "gui/flight/tray_icon.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "protocol/reply_format.h"
#include "simulator_peer.h"
#include "sim/sim_transport.h"
#include "store/database.h"
#include "support/fake_clock.h"

namespace {

constexpr size_t kFlights = 50000;
constexpr int kTimedTicks = 2000;
constexpr int kDayTicks = 86400;

using kestrix::bench::Print;
using kestrix::bench::Seconds;
using namespace kestrix;

double ResidentMb() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// A tray that keeps the tip, as the desktop's would, where offscreen has none.
class BenchTray : public gui::TrayIcon {
 public:
  bool Available() const override { return true; }
  void Show(const QIcon& icon, const QString& text) override { Update(icon, text); }
  void Update(const QIcon& icon, const QString& text) override {
    picture = icon;
    tip = text;
  }
  void Remove() override { tip.clear(); }
  void SetMenu(QMenu*) override {}

 private:
  QIcon picture;
  QString tip;
};

// One second of flight: the stand-in and the clock move, the window's timer goes off.
void Tick(SimulatorPeer& sim, test::FakeClock& clock, QTimer& timer) {
  sim.Step(1.0);
  clock.Advance(1000);
  QTimerEvent event(timer.timerId());
  QCoreApplication::sendEvent(&timer, &event);
}

// The flight window recording against the stand-in simulator under a fake
// clock: one tick with the window's update, then a whole day in the tray.
// Runs in `folder`, the working directory with a prepared store.
bool BenchFlightWindow(const std::filesystem::path& folder) {
  const std::string flightId = "777001";
  AvailableFlight flight;
  flight.localId = NewGuidString();
  flight.type = "SCH";
  flight.flightId = flightId;
  flight.departure = "KSEA";
  flight.arrival = "KPDX";
  flight.airlineIcao = "HAL";
  flight.flightNumber = "777";
  flight.effectiveDate = "0";
  flight.expiryDate = "N/A";
  std::vector<AvailableFlight> flights{flight};
  Database().WriteAvailableFlights(flights, false);

  auto clock = std::make_shared<test::FakeClock>();
  InstallClock(clock);
  gui::InstallTrayIconFactory([](QObject*) { return std::make_unique<BenchTray>(); });
  Scenario longHaul;
  longHaul.settings.holdSeconds = 5;
  longHaul.settings.taxiOutSeconds = 10;
  longHaul.settings.cruiseSeconds = 2 * kDayTicks;
  SimulatorPeer sim(folder.string());
  sim.SetScenario(longHaul);
  SimLink link(MakePosixSimTransport(folder.string()));
  int code = 0;
  bool ok = sim.Start() && link.Open(code);
  if (ok) {
    gui::FlightWindow window(nullptr, link);
    window.SetFlightId(flightId);
    QTimer::singleShot(0, &window, [&] {
      window.RunCommand(gui::FlightCommand::StartFlight);
      QTimer& timer = *window.findChild<QTimer*>("2");
      std::vector<double> micros;
      for (int tick = 0; tick < kTimedTicks; ++tick) {
        micros.push_back(Seconds([&] {
                           Tick(sim, *clock, timer);
                           QApplication::processEvents();
                         }) * 1e6);
      }
      std::sort(micros.begin(), micros.end());
      Print("gui.flight_tick_us.median", micros[micros.size() / 2]);
      Print("gui.flight_tick_us.p99", micros[micros.size() * 99 / 100]);

      window.findChild<QToolButton*>("1001")->click();
      QApplication::processEvents();
      Print("gui.flight_rss_mb.start", ResidentMb());
      for (int tick = 0; tick < kDayTicks; ++tick) {
        Tick(sim, *clock, timer);
        if (tick % 1000 == 0) QApplication::processEvents();
      }
      QApplication::processEvents();
      Print("gui.flight_rss_mb.after_86400_ticks", ResidentMb());
      ok = window.Recorder().FlightStarted();
      window.CloseWindow();
    });
    window.Run();
  }
  link.Close();
  sim.Stop();
  gui::InstallTrayIconFactory(nullptr);
  InstallClock(nullptr);
  return ok;
}

// A 10,000-point track along Europe's Atlantic coast, drawn with the
// shorelines at 1000 x 700: opening (fit and first paint) and the median of
// later paints, as a resize redraws it.
void BenchTrackDrawing() {
  constexpr int kPoints = 10000;
  FlightTrack track{"LPPT", "ENGM", {{{}, true, -160}}};
  for (int i = 0; i < kPoints; ++i) {
    const double t = static_cast<double>(i) / (kPoints - 1);
    track.legs[0].points.push_back({38.7 + 21.5 * t + 0.4 * std::sin(t * 60), -9.1 + 20.2 * t,
                                    static_cast<int32_t>(36000 * std::sin(t * 3.14159)), 30});
  }
  QImage image(1000, 700, QImage::Format_ARGB32_Premultiplied);
  gui::TrackDrawing drawing;
  const double open = Seconds([&] {
    drawing.SetTrack(track);
    QPainter painter(&image);
    drawing.Paint(painter, image.rect());
  });
  std::vector<double> paints;
  for (int run = 0; run < 21; ++run) {
    paints.push_back(Seconds([&] {
      QPainter painter(&image);
      drawing.Paint(painter, image.rect());
    }));
  }
  std::sort(paints.begin(), paints.end());
  Print("gui.track_open_ms.10000", open * 1000);
  Print("gui.track_draw_ms.10000", paints[paints.size() / 2] * 1000);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  gui::ApplyDesktopStyle(application);

  const auto workDir = std::filesystem::temp_directory_path() / ("kestrix-gui-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(workDir);
  std::filesystem::current_path(workDir);

  airline::AirlineServer server;
  if (!server.Start()) return 1;
  server.State().AddPilot({"bench", "pw", "4242", "Bench Pilot", false});
  SetServerVariablesHost(server.Host());
  InstallInternetStateProbe([] { return true; });
  auto prepareStore = [] {
    Database().CreateSchema();
    Database().WritePilotInfo({"bench", "pw", "4242"});
    ServerLink link;
    return DownloadServerVariables(link) == 0;
  };

  // The real program, started as a pilot starts it: logged in before, with
  // the stand-in's everyday schedule; the median of three starts.
  BenchTrackDrawing();

  const auto startFolder = workDir / "start";
  std::filesystem::create_directories(startFolder);
  std::filesystem::current_path(startFolder);
  if (!prepareStore()) return 1;
  std::filesystem::current_path(workDir);
  std::vector<bench::ProgramStart> starts;
  for (int run = 0; run < 3; ++run) starts.push_back(bench::TimeProgramStart(KESTRIX_PROGRAM, startFolder, server.Host()));
  std::sort(starts.begin(), starts.end(), [](const auto& a, const auto& b) { return a.startMs < b.startMs; });
  Print("gui.start_ms", starts[1].startMs);
  Print("gui.splash_pause_ms", starts[1].splashPauseMs);

  server.State().SetScheduleSize(kFlights);
  if (!prepareStore()) return 1;
  DownloadFlights(nullptr);

  // Offline the dialog opens on what the store holds, without downloading
  // first; its first showing (window, fonts) is start-up's cost, not the list's.
  InstallInternetStateProbe([] { return false; });
  gui::MainDialog dialog;
  dialog.show();
  QApplication::processEvents();
  const double fill = Seconds([&] {
    dialog.RefreshList();
    QApplication::processEvents();
  });
  if (dialog.findChild<QTableView*>("1001")->model()->rowCount() == 0) std::fprintf(stderr, "the list is empty\n");
  Print("gui.fill_ms.50000", fill * 1000);

  InstallInternetStateProbe([] { return true; });
  const double refresh = Seconds([&] {
    dialog.RunCommand(gui::MainCommand::RefreshFlights);
    QApplication::processEvents();
  });
  Print("gui.refresh_s.50000", refresh);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  Print("gui.rss_mb.50000", static_cast<double>(usage.ru_maxrss) / 1024.0);

  dialog.hide();

  const auto flightFolder = workDir / "flight";
  std::filesystem::create_directories(flightFolder);
  std::filesystem::current_path(flightFolder);
  if (!prepareStore() || !BenchFlightWindow(flightFolder)) std::fprintf(stderr, "the flight did not record\n");
  std::filesystem::current_path(workDir);

  InstallInternetStateProbe(nullptr);
  server.Stop();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(workDir);
  return 0;
}
