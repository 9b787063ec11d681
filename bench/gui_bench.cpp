// The main dialog's list with a whole schedule, offscreen, against the stand-in airline.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "airline/airline_server.h"
#include "bench_figures.h"
#include "program_start.h"
#include "app/flight_commands.h"
#include "gui/desktop_style.h"
#include "gui/main_dialog.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "store/database.h"

namespace {

constexpr size_t kFlights = 50000;

using kestrix::bench::Print;
using kestrix::bench::Seconds;

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrix;
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
  InstallInternetStateProbe(nullptr);
  server.Stop();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(workDir);
  return 0;
}
