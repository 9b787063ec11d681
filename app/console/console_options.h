#pragma once

#include <string>

namespace kestrix::console {

struct ConsoleOptions {
  std::string serverVarsHost;
  std::string user;
  std::string password;
  std::string flightId;
  std::string simDir;
  std::string workDir;
  double speed = 1;
  // Simulated minutes the whole flight may take before the console gives up.
  double maxMinutes = 120;
  bool help = false;
};

extern const char* const kConsoleUsage;

// False, with `error` saying why, when the arguments cannot be used.
bool ParseConsoleOptions(int argc, char** argv, ConsoleOptions& options, std::string& error);

}  // namespace kestrix::console
