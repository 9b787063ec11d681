// Prints "name: value" lines: how fast the server builds and sends a large schedule.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <string>

#include "airline/airline_server.h"
#include "airline/schedule_generator.h"
#include "airline/wire_names.h"
#include "protocol/reply_format.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// This thread's processor time: on a busy machine the wall clock says little.
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

size_t FetchBytes(int port, const std::string& target) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 0;
  const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  ::send(sock, request.data(), request.size(), 0);
  size_t total = 0;
  char chunk[65536];
  for (ssize_t n; (n = ::recv(sock, chunk, sizeof chunk, 0)) > 0;) total += static_cast<size_t>(n);
  ::close(sock);
  return total;
}

}  // namespace

int main() {
  using namespace kestrix::airline;
  constexpr size_t kFlights = 50000;

  auto start = Clock::now();
  const double cpuStart = ThreadCpuMs();
  const std::string text = FormatSchedule(GenerateSchedule(1234, kFlights));
  std::cout << "schedule_50000_generate_ms: " << MsSince(start) << "\n";
  std::cout << "schedule_50000_generate_cpu_ms: " << ThreadCpuMs() - cpuStart << "\n";
  std::cout << "schedule_50000_bytes: " << text.size() << "\n";

  AirlineServer server;
  server.State().SetScheduleSize(kFlights);
  if (!server.Start(0)) return 1;
  const std::string target = Wire().pageSchedule + kestrix::EncodeCommand("GETSCHEDULE") + "&v=demo%23demo%23203999";
  start = Clock::now();
  const size_t first = FetchBytes(server.Port(), target);
  std::cout << "schedule_50000_first_reply_ms: " << MsSince(start) << "\n";
  start = Clock::now();
  const size_t again = FetchBytes(server.Port(), target);
  std::cout << "schedule_50000_cached_reply_ms: " << MsSince(start) << "\n";
  std::cout << "schedule_50000_reply_bytes: " << (first == again ? first : 0) << "\n";
  return 0;
}
