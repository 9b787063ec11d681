#include "sim/xplane_datarefs.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/sim_variable_access.h"

namespace kestrix {
namespace {

constexpr double kFeetPerMetre = 3.28084;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kKilogramsPerPound = 0.45359237;
// X-Plane gives fuel by weight only; its volume is reckoned at this density.
constexpr double kFuelPoundsPerGallon = 6.7;
constexpr int kXPlaneTanks = 9;
// The description is longer in X-Plane; airline titles are far shorter.
constexpr int kTitleBytes = 80;
// Often enough that every one-second sample finds values a fraction of a second old.
constexpr int kFrequency = 20;
// The title hardly changes.
constexpr int kTitleFrequency = 2;

XPlaneDataref Dataref(std::string path, SimVariableAccess access, unsigned writtenOn = 0, int frequency = kFrequency) {
  return {std::move(path), frequency, std::move(access.get), std::move(access.set), writtenOn};
}

std::string Indexed(const char* path, int index) { return std::string(path) + "[" + std::to_string(index) + "]"; }

// Degrees in [0, 360).
double Bearing(double degrees) {
  const double turned = std::fmod(degrees, 360.0);
  return turned < 0 ? turned + 360 : turned;
}

// Degrees in (-180, 180].
double SignedAngle(double degrees) {
  const double bearing = Bearing(degrees);
  return bearing > 180 ? bearing - 360 : bearing;
}

int32_t RateFrom(double multiple) {
  return std::isfinite(multiple) ? Converted<int32_t>(std::round(std::clamp(multiple, 0.0, 255.0) * 256)) : 256;
}

double TankGallons(const SimVariables& v) {
  double gallons = 0;
  for (int tank = 0; tank < kXPlaneTanks; ++tank) gallons += v.tankCapacity[tank];
  return gallons;
}

double Kilograms(const SimVariables& v, double gallons) { return gallons * v.fuelWeight * kKilogramsPerPound; }

double Gallons(double kilograms) { return kilograms / kKilogramsPerPound / kFuelPoundsPerGallon; }

void AddFuel(std::vector<XPlaneDataref>& datarefs) {
  // The total capacity first, every tank holding it; each tank's ratio then leaves its share.
  datarefs.push_back(Dataref("sim/aircraft/overflow/acf_m_fuel_tot",
                             {[](const SimVariables& v) { return Kilograms(v, TankGallons(v)); },
                              [](SimVariables& v, double kilograms) {
                                v.fuelWeight = kFuelPoundsPerGallon;
                                v.tankCapacity.fill(0);
                                v.tankLevel.fill(0);
                                std::fill_n(v.tankCapacity.begin(), kXPlaneTanks, std::max(0.0, Gallons(kilograms)));
                              }}));
  for (int tank = 0; tank < kXPlaneTanks; ++tank)
    datarefs.push_back(Dataref(Indexed("sim/aircraft/overflow/acf_tank_rat", tank),
                               {[tank](const SimVariables& v) {
                                  const double total = TankGallons(v);
                                  return total > 0 ? v.tankCapacity[tank] / total : 0;
                                },
                                [tank](SimVariables& v, double ratio) { v.tankCapacity[tank] *= std::max(0.0, ratio); }}));
  for (int tank = 0; tank < kXPlaneTanks; ++tank)
    datarefs.push_back(Dataref(Indexed("sim/flightmodel/weight/m_fuel", tank),
                               {[tank](const SimVariables& v) {
                                  return Kilograms(v, v.tankLevel[tank] * v.tankCapacity[tank]);
                                },
                                [tank](SimVariables& v, double kilograms) {
                                  const double capacity = v.tankCapacity[tank];
                                  v.tankLevel[tank] = capacity > 0 ? std::max(0.0, Gallons(kilograms) / capacity) : 0;
                                }}));
}

// One byte each; the first zero ends the title, so the bytes are read in order.
void AddTitle(std::vector<XPlaneDataref>& datarefs) {
  for (size_t at = 0; at < kTitleBytes; ++at)
    datarefs.push_back(Dataref(Indexed("sim/aircraft/view/acf_descrip", static_cast<int>(at)),
                               {[at](const SimVariables& v) {
                                  return at < v.title.size() ? static_cast<unsigned char>(v.title[at]) : 0.0;
                                },
                                [at](SimVariables& v, double byte) {
                                  if (v.title.size() < at) return;
                                  v.title.resize(at);
                                  const auto character = Converted<unsigned char>(byte);
                                  if (character != 0) v.title.push_back(static_cast<char>(character));
                                }},
                               0, kTitleFrequency));
}

std::vector<XPlaneDataref> MakeDatarefs() {
  std::vector<XPlaneDataref> datarefs{
      Dataref("sim/flightmodel/position/latitude", PlainAccess(&SimVariables::latitude)),
      Dataref("sim/flightmodel/position/longitude", PlainAccess(&SimVariables::longitude)),
      Dataref("sim/flightmodel/position/elevation", PlainAccess(&SimVariables::altitude, 1 / kFeetPerMetre)),
      Dataref("sim/flightmodel/position/y_agl",
              {[](const SimVariables& v) { return v.RadioAltitude() / kFeetPerMetre; },
               [](SimVariables& v, double metres) { v.groundElevation = v.altitude - metres * kFeetPerMetre; }}),
      Dataref("sim/flightmodel/position/psi",
              {[](const SimVariables& v) { return Bearing(v.trueHeading); },
               [](SimVariables& v, double degrees) { v.trueHeading = std::isfinite(degrees) ? Bearing(degrees) : 0; }}),
      // The magnetic heading; the variation is what lies between it and the true one.
      Dataref("sim/flightmodel/position/mag_psi",
              {[](const SimVariables& v) { return Bearing(v.trueHeading - v.magneticVariation); },
               [](SimVariables& v, double degrees) {
                 v.magneticVariation = std::isfinite(degrees) ? SignedAngle(v.trueHeading - degrees) : 0;
               }}),
      Dataref("sim/flightmodel/position/true_airspeed",
              PlainAccess(&SimVariables::trueAirspeed, kMetresPerSecondPerKnot)),
      Dataref("sim/flightmodel/position/groundspeed", PlainAccess(&SimVariables::groundSpeed, kMetresPerSecondPerKnot)),
      Dataref("sim/flightmodel/position/vh_ind_fpm", PlainAccess(&SimVariables::verticalSpeed)),
      Dataref("sim/flightmodel/failures/onground_any", FlagAccess(&SimVariables::onGround)),
      Dataref("sim/time/paused", FlagAccess(&SimVariables::paused)),
      // The rate is the product of the two; the program only ever sets the first.
      Dataref("sim/time/sim_speed",
              {[](const SimVariables& v) { return v.simRate / 256.0; },
               [](SimVariables& v, double multiple) { v.simRate = RateFrom(multiple); }},
              SimChange::Rate),
      Dataref("sim/time/ground_speed",
              {[](const SimVariables&) { return 1.0; },
               [](SimVariables& v, double multiple) { v.simRate = RateFrom(v.simRate / 256.0 * multiple); }},
              SimChange::Rate),
      Dataref("sim/weather/temperature_ambient_c", PlainAccess(&SimVariables::outsideAirTempC)),
      Dataref("sim/weather/wind_speed_kt", PlainAccess(&SimVariables::windSpeed)),
      Dataref("sim/weather/wind_direction_degt", PlainAccess(&SimVariables::windDirection)),
  };
  AddFuel(datarefs);
  AddTitle(datarefs);
  return datarefs;
}

}  // namespace

const std::vector<XPlaneDataref>& XPlaneDatarefs() {
  static const std::vector<XPlaneDataref> datarefs = MakeDatarefs();
  return datarefs;
}

std::vector<float> XPlaneDatarefValues(const SimVariables& variables) {
  std::vector<float> values;
  for (const XPlaneDataref& dataref : XPlaneDatarefs()) values.push_back(static_cast<float>(dataref.get(variables)));
  return values;
}

void ReadXPlaneDatarefs(const std::vector<float>& values, SimVariables& variables) {
  const std::vector<XPlaneDataref>& datarefs = XPlaneDatarefs();
  for (size_t index = 0; index < datarefs.size() && index < values.size(); ++index)
    datarefs[index].set(variables, values[index]);
  variables.slew = false;
}

XPlaneVelocity XPlaneVelocityFor(const SimVariables& variables) {
  const double speed = variables.trueAirspeed * kMetresPerSecondPerKnot;
  const double heading = variables.trueHeading * std::numbers::pi / 180;
  return {speed * std::sin(heading), 0, -speed * std::cos(heading)};
}

double XPlaneAirspeed(const XPlaneVelocity& velocity) {
  return std::hypot(velocity.east, velocity.up, velocity.south) / kMetresPerSecondPerKnot;
}

XPlanePlacement XPlanePlacementFor(const SimVariables& variables) {
  return {variables.latitude, variables.longitude, variables.altitude / kFeetPerMetre,
          static_cast<float>(Bearing(variables.trueHeading)), 0, 0};
}

void ReadXPlanePlacement(const XPlanePlacement& placement, SimVariables& variables) {
  variables.latitude = placement.latitude;
  variables.longitude = placement.longitude;
  variables.altitude = placement.elevation * kFeetPerMetre;
  variables.trueHeading = std::isfinite(placement.heading) ? Bearing(placement.heading) : 0;
}

}  // namespace kestrix
