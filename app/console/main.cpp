#include <filesystem>
#include <iostream>
#include <system_error>

#include "console/console_flight.h"

int main(int argc, char** argv) {
  using namespace kestrix::console;
  ConsoleOptions options;
  std::string error;
  if (!ParseConsoleOptions(argc, argv, options, error)) {
    std::cerr << "kestrix-console: " << error << "\n" << kConsoleUsage;
    return ConsoleExit::BadArguments;
  }
  if (options.help) {
    std::cout << kConsoleUsage;
    return 0;
  }
  if (!options.workDir.empty()) {
    std::error_code failed;
    std::filesystem::create_directories(options.workDir, failed);
    std::filesystem::current_path(options.workDir, failed);
    if (failed) {
      std::cerr << "kestrix-console: cannot work in " << options.workDir << ": " << failed.message() << "\n";
      return ConsoleExit::BadArguments;
    }
  }
  return RunConsoleFlight(options);
}
