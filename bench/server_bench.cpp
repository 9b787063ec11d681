// Schedule download and parsing speed against the stand-in airline on loopback.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "literal_schedule_parser.h"
#include "airline/airline_server.h"
#include "bench_figures.h"
#include "airline/schedule_generator.h"
#include "server/account.h"
#include "server/schedule.h"
#include "store/database.h"

namespace {

constexpr size_t kFlights = 50000;

using kestrix::bench::Print;
using kestrix::bench::Seconds;

}  // namespace

int main() {
  using namespace kestrix;
  const auto workDir = std::filesystem::temp_directory_path() / ("kestrix-server-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(workDir);
  std::filesystem::current_path(workDir);

  airline::AirlineServer server;
  if (!server.Start()) return 1;
  server.State().AddPilot({"bench", "pw", "4242", "Bench Pilot", false});
  server.State().SetScheduleSize(kFlights);
  SetServerVariablesHost(server.Host());
  Database().CreateSchema();
  Database().WritePilotInfo({"bench", "pw", "4242"});
  ServerLink link;
  if (DownloadServerVariables(link) != 0) return 1;

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

  server.Stop();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(workDir);
  return 0;
}
