#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/sim_offset_table.h"

namespace kestrix {

// One value of FlightGear's property tree and the variable it carries.
struct FlightGearProperty {
  std::string path;
  std::function<double(const SimVariables&)> get;
  std::function<void(SimVariables&, double)> set;
  unsigned writtenOn = 0;  // the SimChange bits that write it back
  bool boolean = false;    // shown as "true" or "false"
};

// Every numeric property the program reads, in the order they are fetched.
const std::vector<FlightGearProperty>& FlightGearProperties();

inline constexpr const char* kFlightGearTitle = "/sim/description";
// Answers only in FlightGear: how a props server is told from anything else on the port.
inline constexpr const char* kFlightGearVersion = "/sim/version/flightgear";

std::string FormatFlightGearValue(const FlightGearProperty& property, const SimVariables& variables);
// A property's text as a number: "true"/"false" for booleans, an empty text
// (a property this aircraft lacks) as 0. False when it is neither.
bool ParseFlightGearValue(const std::string& text, double& value);
// "2020.3.19" and the like.
bool LooksLikeFlightGearVersion(const std::string& text);

}  // namespace kestrix
