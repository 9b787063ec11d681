// Renders every window of the program to PNG files, against an in-process
// stand-in airline with a demo pilot, a schedule in every state and stored
// reports: the way to look at the windows without a desktop.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "airline/airline_server.h"
#include "gui/base/desktop_style.h"
#include "gui/platform/web_host.h"
#include "platform/internet_state.h"
#include "platform/message_box.h"
#include "server/account.h"
#include "server/schedule.h"
#include "store/database.h"
#include "screens/window_gallery.h"

namespace {

using namespace kestrix;

// Boxes that pop up while the windows are built are answered, never shown.
class SilentBoxes : public MessageBoxPresenter {
 public:
  int Present(const MessageBoxRequest& request) override {
    std::fprintf(stderr, "kestrix-screens: message \"%s\"\n", request.text.c_str());
    return (request.flags & 0xF) == 0 ? MessageResult::Ok : MessageResult::No;
  }
};

// A pilot with flights listed, in progress, at a refuelling stop, expired,
// and two completed flights waiting to be filed, one of them in three legs.
bool PrepareDemoData(airline::AirlineServer& server) {
  server.State().AddPilot({"demo", "demo", "1001", "Demo Pilot", false});
  server.State().SetScheduleSize(40);
  SetServerVariablesHost(server.Host());
  InstallInternetStateProbe([] { return true; });
  Database().CreateSchema();
  Database().WritePilotInfo({"demo", "demo", "1001"});
  ServerLink link;
  if (DownloadServerVariables(link) != 0) return false;
  std::vector<AvailableFlight> flights;
  if (DownloadSchedule(link, "demo", "demo", flights) <= 6) return false;
  Database().WriteAvailableFlights(flights, true);
  Database database;
  database.SetFlightStatus(flights[1].flightId, StatusRequest::InProgress);
  database.SetFlightStatus(flights[2].flightId, StatusRequest::InProgress);
  database.SetFlightStatus(flights[2].flightId, StatusRequest::RefuelingStop);
  for (const auto& [index, legs] : std::vector<std::pair<int, int>>{{4, 1}, {5, 3}}) {
    for (int leg = 0; leg < legs; ++leg) {
      FlightRecord report;
      report.flightId = flights[index].flightId;
      report.startTime = 1'800'000'000 + leg * 7200;
      report.flightMinutes = 42 + leg * 17;
      report.fuelUsed = 900;
      report.landingRate = -180;
      database.WriteFlightReport(report);
    }
    database.SetFlightStatus(flights[index].flightId, StatusRequest::Completed);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  gui::PrepareEmbeddedBrowser();
  QApplication application(argc, argv);
  gui::ApplyDesktopStyle(application);
  const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screens");
  QDir().mkpath(outDir);
  const std::filesystem::path work = std::filesystem::temp_directory_path() /
                                     ("kestrix-screens-" + std::to_string(QApplication::applicationPid()));
  std::filesystem::create_directories(work);
  std::filesystem::current_path(work);

  InstallMessageBoxPresenter(std::make_shared<SilentBoxes>());
  airline::AirlineServer server;
  int status = 1;
  if (server.Start() && PrepareDemoData(server)) {
    status = screens::RenderEveryWindow(QDir(outDir).absolutePath()) ? 0 : 1;
  } else {
    std::fprintf(stderr, "kestrix-screens: the stand-in airline could not be set up\n");
  }
  server.Stop();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(work);
  return status;
}
