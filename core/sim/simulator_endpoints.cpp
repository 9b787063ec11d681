#include "sim/simulator_endpoints.h"

#include <cstdlib>
#include <fstream>
#include <utility>

namespace kestrix {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

void Apply(const std::string& name, const std::string& value, SimulatorEndpoints& endpoints) {
  SimEndpoint* endpoint = name == "flightgear" ? &endpoints.flightGear : name == "xplane" ? &endpoints.xPlane : nullptr;
  SimEndpoint parsed = endpoint ? *endpoint : SimEndpoint{};
  if (endpoint && ParseSimEndpoint(value, parsed)) *endpoint = parsed;
}

}  // namespace

bool ParseSimEndpoint(const std::string& text, SimEndpoint& endpoint) {
  const std::string value = Trimmed(text);
  const size_t colon = value.rfind(':');
  const std::string host = value.substr(0, colon);
  if (host.find_first_of(" \t:") != std::string::npos) return false;
  int port = endpoint.port;
  if (colon != std::string::npos) {
    const std::string digits = value.substr(colon + 1);
    char* end = nullptr;
    const long number = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end || number < 1 || number > 65535) return false;
    port = static_cast<int>(number);
  }
  if (!host.empty()) endpoint.host = host;
  endpoint.port = port;
  return !value.empty();
}

SimulatorEndpoints ReadSimulatorEndpoints(const std::string& path) {
  SimulatorEndpoints endpoints;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    const size_t equals = line.find('=');
    if (Trimmed(line).starts_with("#") || equals == std::string::npos) continue;
    Apply(Trimmed(line.substr(0, equals)), line.substr(equals + 1), endpoints);
  }
  const std::pair<const char*, const char*> variables[] = {{"flightgear", "KESTRIX_FLIGHTGEAR"},
                                                           {"xplane", "KESTRIX_XPLANE"}};
  for (const auto& [name, variable] : variables)
    if (const char* value = std::getenv(variable)) Apply(name, value, endpoints);
  return endpoints;
}

}  // namespace kestrix
