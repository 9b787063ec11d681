// Schedule download and parsing against the stand-in airline on loopback:
// speed, and the memory the download and parse take in a process of their own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "airline/airline_server.h"
#include "airline/schedule_generator.h"
#include "bench_figures.h"
#include "literal_schedule_parser.h"
#include "server/account.h"
#include "server/schedule.h"
#include "store/database.h"

namespace {

using namespace kestrix;
using bench::Print;
using bench::Seconds;

constexpr size_t kFlights = 50000;

// The stand-in airline in a process of its own, so that its schedule never
// counts towards the client's memory. It serves until this object closes its
// end of the stop pipe, or this process ends.
class ForkedAirline {
 public:
  ForkedAirline() {
    int hostPipe[2];
    int stopPipe[2];
    if (pipe(hostPipe) != 0) return;
    if (pipe(stopPipe) != 0) {
      close(hostPipe[0]);
      close(hostPipe[1]);
      return;
    }
    pid = fork();
    if (pid == 0) {
      close(hostPipe[0]);
      close(stopPipe[1]);
      Serve(hostPipe[1], stopPipe[0]);
    }
    close(hostPipe[1]);
    close(stopPipe[0]);
    stopFd = stopPipe[1];
    char buffer[64];
    for (ssize_t n; (n = read(hostPipe[0], buffer, sizeof buffer)) > 0;) host.append(buffer, static_cast<size_t>(n));
    close(hostPipe[0]);
  }
  ~ForkedAirline() {
    if (stopFd >= 0) close(stopFd);
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
  ForkedAirline(const ForkedAirline&) = delete;
  ForkedAirline& operator=(const ForkedAirline&) = delete;

  // "127.0.0.1:PORT"; empty when the airline did not start.
  const std::string& Host() const { return host; }

 private:
  [[noreturn]] static void Serve(int hostFd, int stopFd) {
    airline::AirlineServer server;
    server.State().AddPilot({"bench", "pw", "4242", "Bench Pilot", false});
    server.State().SetScheduleSize(kFlights);
    if (!server.Start()) _exit(1);
    const std::string host = server.Host();
    if (write(hostFd, host.data(), host.size()) != static_cast<ssize_t>(host.size())) _exit(1);
    close(hostFd);
    char ignored;
    while (read(stopFd, &ignored, 1) > 0) {
    }
    server.Stop();
    _exit(0);
  }

  pid_t pid = -1;
  int stopFd = -1;
  std::string host;
};

bool DownloadsWholeSchedule() {
  ServerLink link;
  std::vector<AvailableFlight> flights;
  return DownloadSchedule(link, "bench", "pw", flights) == static_cast<int>(kFlights);
}

}  // namespace

int main() {
  const auto workDir = std::filesystem::temp_directory_path() / ("kestrix-server-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(workDir);
  std::filesystem::current_path(workDir);

  ForkedAirline server;
  if (server.Host().empty()) return 1;
  SetServerVariablesHost(server.Host());
  Database().CreateSchema();
  Database().WritePilotInfo({"bench", "pw", "4242"});
  {
    ServerLink link;
    if (DownloadServerVariables(link) != 0) return 1;
  }

  // Before this process holds a schedule of its own, which a child would start out with.
  Print("server.download_parse_rss_mb.50000", bench::ChildPeakRssMb(DownloadsWholeSchedule));

  ServerLink link;
  std::vector<AvailableFlight> downloaded;
  int count = 0;
  Print("server.schedule_s.50000", Seconds([&] { count = DownloadSchedule(link, "bench", "pw", downloaded); }));
  if (count != static_cast<int>(kFlights)) std::fprintf(stderr, "downloaded %d flights\n", count);

  const std::string reply = airline::FormatSchedule(airline::GenerateSchedule(11, kFlights));
  std::vector<AvailableFlight> literal;
  std::vector<AvailableFlight> linear;
  const double literalSeconds = Seconds([&] { oracle::LiteralParseSchedule(reply, literal); });
  const double linearSeconds = Seconds([&] { ParseSchedule(reply, linear); });
  Print("server.parse_s.literal.50000", literalSeconds);
  Print("server.parse_s.linear.50000", linearSeconds);
  Print("server.parse_speedup.50000", literalSeconds / linearSeconds);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  Print("server.peak_rss_mb", static_cast<double>(usage.ru_maxrss) / 1024.0);

  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(workDir);
  return 0;
}
