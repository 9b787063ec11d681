// The main dialog's list with a whole schedule, offscreen, against the stand-in airline.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "airline/airline_server.h"
#include "app/flight_commands.h"
#include "gui/desktop_style.h"
#include "gui/main_dialog.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "store/database.h"

namespace {

constexpr size_t kFlights = 50000;

template <typename Body>
double Seconds(Body&& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Print(const std::string& name, double value) { std::printf("%s: %.4f\n", name.c_str(), value); }

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
  server.State().SetScheduleSize(kFlights);
  SetServerVariablesHost(server.Host());
  InstallInternetStateProbe([] { return true; });
  Database().CreateSchema();
  Database().WritePilotInfo({"bench", "pw", "4242"});
  ServerLink link;
  if (DownloadServerVariables(link) != 0) return 1;
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
