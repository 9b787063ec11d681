#include "airline/seed_file.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kestrix::airline {
namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool SplitPair(const std::string& text, std::string& name, std::string& value) {
  const auto equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  name = text.substr(0, equals);
  value = text.substr(equals + 1);
  return true;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

bool ApplyLine(const std::string& key, const std::string& value, AirlineState& state) {
  std::string name, text;
  if (key == "pilot" || key == "admin") {
    std::istringstream words(value);
    Pilot pilot;
    pilot.admin = key == "admin";
    if (!(words >> pilot.username >> pilot.password >> pilot.pilotNumber)) return false;
    std::getline(words >> std::ws, pilot.name);
    state.AddPilot(pilot);
  } else if (key == "flights") {
    size_t count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error != std::errc{} || end != value.data() + value.size()) return false;
    state.SetScheduleSize(count);
  } else if (key == "variable" && SplitPair(value, name, text)) {
    state.SetServerVariable(name, text);
  } else if (key == "version" && SplitPair(value, name, text)) {
    state.SetVersionInfo(name, text);
  } else if (key == "updater") {
    if (!ReadFile(value, text)) return false;
    state.SetUpdaterFile(std::move(text));
  } else if (key == "file-on-view" && (value == "true" || value == "false")) {
    state.SetFileOnReportView(value == "true");
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool LoadSeedFile(const std::string& path, AirlineState& state, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos ||
        !ApplyLine(Trim(trimmed.substr(0, equals)), Trim(trimmed.substr(equals + 1)), state)) {
      error = path + ":" + std::to_string(number) + ": cannot use \"" + trimmed + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace kestrix::airline
