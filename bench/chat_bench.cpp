// The chat window offscreen against the stand-in airline: appending to a long
// conversation, the UI thread's share of a busy poll, and the memory a long
// conversation takes.
#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "airline/airline_server.h"
#include "bench_figures.h"
#include "gui/chat/chat_window.h"
#include "gui/base/desktop_style.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "store/database.h"

namespace {

using namespace kestrix;
using kestrix::bench::Print;
using kestrix::bench::Seconds;

constexpr int kUsers = 500;
constexpr int kMessagesPerPoll = 100;
constexpr int kPolls = 20;
constexpr int kLines = 10000;
constexpr int kTimedAppends = 500;
constexpr int kFirstPilot = 5000;

// Resident memory now, from the kernel's account of this process.
double ResidentMb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

std::string Message(int number) {
  return "HV" + std::to_string(kFirstPilot + number % kUsers) + " Pilot " + std::to_string(number) +
         ": message number " + std::to_string(number) + " on the way into KORD, {holding} at \\ FL240";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  gui::ApplyDesktopStyle(application);

  const auto workDir = std::filesystem::temp_directory_path() / ("kestrix-chat-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(workDir);
  std::filesystem::current_path(workDir);

  airline::AirlineServer server;
  if (!server.Start()) return 1;
  // With the stand-in's own operations account and the bench pilot, 500 users.
  server.State().AddPilot({"bench", "pw", "4242", "Bench Pilot", false});
  for (int i = 0; i < kUsers - 2; ++i) {
    const int number = kFirstPilot + i;
    server.State().AddPilot({"p" + std::to_string(number), "pw", std::to_string(number), "Pilot " + std::to_string(i)});
    if (i % 2 == 0) server.State().SetChatOnline(number, true);
  }
  SetServerVariablesHost(server.Host());
  InstallInternetStateProbe([] { return true; });
  Database().CreateSchema();
  Database().WritePilotInfo({"bench", "pw", "4242"});
  ServerLink link;
  if (DownloadServerVariables(link) != 0) return 1;
  Database().WriteProgramSettings(ProgramSettings::ChatAvailable | ProgramSettings::ChatScrollReceived);

  gui::ChatWindow window;
  window.show();
  QApplication::processEvents();

  // Each poll runs on a thread of its own, as the worker's would; its results
  // then wait for the UI thread, which is timed while it carries them out.
  window.Engine().PollOnce();
  QApplication::processEvents();
  double longestStall = 0;
  int posted = 0;
  for (int poll = 0; poll < kPolls; ++poll) {
    for (int i = 0; i < kMessagesPerPoll; ++i, ++posted)
      server.State().PostChat("message", kFirstPilot + posted % (kUsers - 2), 0, "message " + std::to_string(posted));
    std::thread([&] { window.Engine().PollOnce(); }).join();
    longestStall = std::max(longestStall, Seconds([] { QApplication::processEvents(); }) * 1000);
  }
  Print("chat.poll_ui_stall_ms.max", longestStall);

  for (int line = posted; line < kLines; ++line) {
    window.AppendLine(Message(line), ChatLineKind::Received);
    if (line % 100 == 0) QApplication::processEvents();
  }
  QApplication::processEvents();
  Print("chat.rss_mb.after_10000_lines", ResidentMb());

  std::vector<double> appends;
  for (int i = 0; i < kTimedAppends; ++i) {
    appends.push_back(Seconds([&] {
                        window.AppendLine(Message(kLines + i), ChatLineKind::Received);
                        QApplication::processEvents();
                      }) *
                      1e6);
  }
  Print("chat.append_us.median", Median(appends));

  window.hide();
  InstallInternetStateProbe(nullptr);
  server.Stop();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(workDir);
  return 0;
}
