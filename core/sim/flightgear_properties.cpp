#include "sim/flightgear_properties.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "sim/sim_sampling.h"
#include "sim/sim_variable_access.h"

namespace kestrix {
namespace {

template <typename Field>
FlightGearProperty Plain(const char* path, Field SimVariables::*field, unsigned writtenOn = 0) {
  SimVariableAccess access = PlainAccess(field);
  return {path, std::move(access.get), std::move(access.set), writtenOn};
}

FlightGearProperty Flag(const char* path, bool SimVariables::*field, unsigned writtenOn = 0) {
  SimVariableAccess access = FlagAccess(field);
  return {path, std::move(access.get), std::move(access.set), writtenOn, true};
}

std::string TankPath(int tank, const char* leaf) {
  return "/consumables/fuel/tank[" + std::to_string(tank) + "]/" + leaf;
}

std::vector<FlightGearProperty> MakeProperties() {
  std::vector<FlightGearProperty> properties{
      Plain("/position/latitude-deg", &SimVariables::latitude, SimChange::Position),
      Plain("/position/longitude-deg", &SimVariables::longitude, SimChange::Position),
      Plain("/position/altitude-ft", &SimVariables::altitude, SimChange::Position),
      Plain("/position/ground-elev-ft", &SimVariables::groundElevation),
      Plain("/orientation/heading-deg", &SimVariables::trueHeading, SimChange::Heading),
      Plain("/environment/magnetic-variation-deg", &SimVariables::magneticVariation),
      // A new speed goes along the body axis: FlightGear scales /velocities/airspeed-kt
      // along the way the aircraft moves, which is nowhere when it stands. The
      // airspeed, fetched after it, is the one read.
      {"/velocities/uBody-fps", [](const SimVariables& v) { return KnotsToFeetPerSecond(1) * v.trueAirspeed; },
       [](SimVariables& v, double fps) { v.trueAirspeed = fps / KnotsToFeetPerSecond(1); }, SimChange::Airspeed},
      Plain("/velocities/airspeed-kt", &SimVariables::trueAirspeed),
      Plain("/velocities/groundspeed-kt", &SimVariables::groundSpeed),
      {"/velocities/vertical-speed-fps", [](const SimVariables& v) { return v.verticalSpeed / 60; },
       [](SimVariables& v, double fps) { v.verticalSpeed = fps * 60; }},
      Flag("/gear/gear/wow", &SimVariables::onGround),
      // FlightGear's own pause freezes both; its flight model stops only with the clock.
      Flag("/sim/freeze/clock", &SimVariables::paused, SimChange::Pause),
      Flag("/sim/freeze/master", &SimVariables::paused, SimChange::Pause),
      {"/sim/speed-up", [](const SimVariables& v) { return v.simRate / 256.0; },
       [](SimVariables& v, double rate) {
         v.simRate = std::isfinite(rate) ? static_cast<int32_t>(std::lround(std::clamp(rate, 0.0, 255.0) * 256)) : 256;
       },
       SimChange::Rate},
      Plain("/consumables/fuel/tank/density-ppg", &SimVariables::fuelWeight),
      Plain("/environment/temperature-degc", &SimVariables::outsideAirTempC),
      Plain("/environment/wind-speed-kt", &SimVariables::windSpeed),
      Plain("/environment/wind-from-heading-deg", &SimVariables::windDirection),
      Plain("/sim/kestrix/fuel-marker", &SimVariables::fuelMarker, SimChange::FuelMarker),
  };
  // The capacity comes first: a level is read in gallons and kept as a fraction of it.
  for (int tank = 0; tank < SimOffset::kFuelTankCount; ++tank) {
    properties.push_back({TankPath(tank, "capacity-gal_us"),
                          [tank](const SimVariables& v) { return v.tankCapacity[tank]; },
                          [tank](SimVariables& v, double gallons) { v.tankCapacity[tank] = gallons; }});
    properties.push_back(
        {TankPath(tank, "level-gal_us"), [tank](const SimVariables& v) { return v.tankLevel[tank] * v.tankCapacity[tank]; },
         [tank](SimVariables& v, double gallons) {
           v.tankLevel[tank] = v.tankCapacity[tank] > 0 ? gallons / v.tankCapacity[tank] : 0;
         }});
  }
  return properties;
}

}  // namespace

const std::vector<FlightGearProperty>& FlightGearProperties() {
  static const std::vector<FlightGearProperty> properties = MakeProperties();
  return properties;
}

std::string FormatFlightGearValue(const FlightGearProperty& property, const SimVariables& variables) {
  const double value = property.get(variables);
  if (property.boolean) return value != 0 ? "true" : "false";
  char text[32];
  std::snprintf(text, sizeof text, "%.12g", value);
  return text;
}

bool ParseFlightGearValue(const std::string& text, double& value) {
  if (text.empty()) {
    value = 0;
    return true;
  }
  if (text == "true" || text == "false") {
    value = text == "true";
    return true;
  }
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && std::isfinite(value);
}

bool LooksLikeFlightGearVersion(const std::string& text) {
  size_t dots = 0;
  for (char c : text) {
    if (c == '.')
      ++dots;
    else if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  }
  return dots >= 1 && !text.empty() && std::isdigit(static_cast<unsigned char>(text.front()));
}

}  // namespace kestrix
