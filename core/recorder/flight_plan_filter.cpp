#include "recorder/flight_plan_filter.h"

#include <algorithm>
#include <fstream>

#include "server/command_request.h"
#include "server/flight_plan.h"
#include "store/database.h"

namespace kestrix {
namespace {

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end = text.find(separator); end != std::string::npos; end = text.find(separator, start)) {
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  // A trailing separator ends the last pair rather than starting a new one.
  if (start < text.size()) parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

std::vector<FileFilter> FlightPlanFilters(const std::string& mask) {
  std::string spaced = mask;
  std::ranges::replace(spaced, '_', ' ');
  const std::vector<std::string> parts = SplitAt(spaced, '@');
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() || parts[i + 1].empty()) break;
    filters.push_back({parts[i], parts[i + 1]});
  }
  return filters;
}

std::string FlightPlanFileProblem(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string head(kMaxFlightPlanBytes + 1, '\0');
  if (file) file.read(head.data(), static_cast<std::streamsize>(head.size()));
  if (!file && !file.eof()) return "The flight plan file could not be read.";
  head.resize(static_cast<size_t>(file.gcount()));
  if (head.size() > kMaxFlightPlanBytes) return "The flight plan file is too large to be a flight plan.";
  if (head.find('\0') != std::string::npos) return "The flight plan file is not a text file.";
  return {};
}

std::string ChooseFlightPlanFile(WindowHandle owner, bool hasFlightPlan) {
  ServerVariables variables;
  Database(owner).ReadServerVariables(variables);
  const std::string path = ChooseFile({.owner = owner,
                                       .title = hasFlightPlan ? "Update Flightplan" : "Add Flightplan",
                                       .filters = FlightPlanFilters(Variable(variables, "flightPlanFileMask")),
                                       .mustExist = true});
  if (path.empty()) return path;
  if (const std::string problem = FlightPlanFileProblem(path); !problem.empty()) {
    ShowMessageBox(owner, problem, kFlightPlanCaption, MessageKind::Error);
    return {};
  }
  return path;
}

}  // namespace kestrix
