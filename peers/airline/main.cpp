// kestrix-airline: the stand-in airline web server as a program of its own.
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "airline/airline_server.h"
#include "airline/seed_file.h"

namespace {

constexpr const char* kUsage = R"(usage: kestrix-airline [--port N] [--seed FILE] [--flights N]
                       [--fault ROUTE=KIND[:ARG]]... [--file-on-view]

Serves the airline's pages on 127.0.0.1 until interrupted.

  --port N         port to listen on (default 8080; 0 picks a free one)
  --seed FILE      pilots, server variables and more (see README.md)
  --flights N      number of flights in every pilot's generated schedule (default 50)
  --fault R=K[:A]  inject a fault on route R: error[:MESSAGE], empty, not-found,
                   slow:MS, silent[:MS] or cut; R "any" hits every request
  --file-on-view   opening the report page files the PIREP at once
  --help           this text

Routes: server-vars version verify-pilot schedule report-missing flight-filed
report-key upload-report upload-points remove-flight live-report chat-users
chat-exchange chat-presence flight-plan report-page ticket updater unknown any
)";

int Fail(const std::string& message) {
  std::cerr << "kestrix-airline: " << message << "\n" << kUsage;
  return 2;
}

bool ParseCount(const std::string& text, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrix::airline;
  AirlineServer server;
  long port = 8080;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (option == "--file-on-view") {
      server.State().SetFileOnReportView(true);
      continue;
    }
    if (i + 1 == argc) return Fail(option == "--port" || option == "--seed" || option == "--flights" ||
                                           option == "--fault"
                                       ? option + " needs a value"
                                       : "unknown option " + option);
    const std::string value = argv[++i];
    long count = 0;
    if (option == "--port") {
      if (!ParseCount(value, port) || port > 65535) return Fail("bad port " + value);
    } else if (option == "--flights") {
      if (!ParseCount(value, count)) return Fail("bad flight count " + value);
      server.State().SetScheduleSize(static_cast<size_t>(count));
    } else if (option == "--seed") {
      std::string error;
      if (!LoadSeedFile(value, server.State(), error)) return Fail(error);
    } else if (option == "--fault") {
      const auto equals = value.find('=');
      const auto route = RouteFromName(value.substr(0, equals));
      const auto fault = equals == std::string::npos ? std::nullopt : ParseFault(value.substr(equals + 1));
      if (!route || !fault) return Fail("bad fault " + value);
      server.Faults().Set(*route, *fault);
    } else {
      return Fail("unknown option " + option);
    }
  }

  // Every thread inherits the blocked signals; the main thread waits for them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  if (!server.Start(static_cast<int>(port))) {
    std::cerr << "kestrix-airline: cannot listen on 127.0.0.1:" << port << "\n";
    return 1;
  }
  std::cout << "kestrix-airline listening on " << server.Host() << std::endl;
  int received = 0;
  sigwait(&signals, &received);
  server.Stop();
  return 0;
}
