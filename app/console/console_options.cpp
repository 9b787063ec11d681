#include "console/console_options.h"

#include <cstdlib>
#include <map>

namespace kestrix::console {

const char* const kConsoleUsage =
    "usage: kestrix-console --server-vars-host HOST:PORT --user NAME --password PW [options]\n"
    "Flies one flight of the pilot's schedule in the simulator and files its report.\n"
    "  --server-vars-host HOST:PORT  where the server variables come from\n"
    "  --user NAME, --password PW    the pilot's log-in\n"
    "  --flight ID         the flight to fly (default: the first one not yet flown)\n"
    "  --speed N           run N times real time, as the simulator does (default 1)\n"
    "  --sim-dir DIR       the simulator's rendezvous directory (default $KESTRIX_SIM_DIR, else /tmp)\n"
    "  --workdir DIR       working directory holding the database (default: the current one)\n"
    "  --max-minutes M     give up after M simulated minutes (default 120)\n"
    "  --help              this text\n";

namespace {

bool PositiveNumber(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && value > 0;
}

}  // namespace

bool ParseConsoleOptions(int argc, char** argv, ConsoleOptions& options, std::string& error) {
  const std::map<std::string, std::string*> texts{
      {"--server-vars-host", &options.serverVarsHost}, {"--user", &options.user},
      {"--password", &options.password},               {"--flight", &options.flightId},
      {"--sim-dir", &options.simDir},                  {"--workdir", &options.workDir}};
  const std::map<std::string, double*> numbers{{"--speed", &options.speed}, {"--max-minutes", &options.maxMinutes}};
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help") {
      options.help = true;
      return true;
    }
    const auto text = texts.find(option);
    const auto number = numbers.find(option);
    if (text == texts.end() && number == numbers.end()) {
      error = "unknown option " + option;
      return false;
    }
    if (i + 1 >= argc) {
      error = option + " needs a value";
      return false;
    }
    const std::string value = argv[++i];
    if (text != texts.end()) {
      *text->second = value;
    } else if (!PositiveNumber(value, *number->second)) {
      error = option + " needs a positive number, not \"" + value + "\"";
      return false;
    }
  }
  if (options.serverVarsHost.empty() || options.user.empty() || options.password.empty()) {
    error = "--server-vars-host, --user and --password are required";
    return false;
  }
  return true;
}

}  // namespace kestrix::console
