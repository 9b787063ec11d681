#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/sim_offset_table.h"
#include "sim/xplane_wire.h"

namespace kestrix {

// One dataref X-Plane publishes, how often it is asked for, and the
// variables it carries. Some values are derived from datarefs listed
// before them (ground elevation from the elevation, a tank's capacity from
// the total), so a complete set of values is read in table order.
struct XPlaneDataref {
  std::string path;
  int frequency = 0;  // answers a second
  std::function<double(const SimVariables&)> get;
  std::function<void(SimVariables&, double)> set;
  unsigned writtenOn = 0;  // the SimChange bits written back through it
};

// Every dataref the program reads; a subscription's index is its position here.
const std::vector<XPlaneDataref>& XPlaneDatarefs();

// The values X-Plane would send for `variables`, in table order, as 32-bit floats.
std::vector<float> XPlaneDatarefValues(const SimVariables& variables);
// Reads a complete set of values (in table order) into `variables`. X-Plane
// has no slew, so it reads as off; the fuel marker and the versions are not
// X-Plane's and stay as they are.
void ReadXPlaneDatarefs(const std::vector<float>& values, SimVariables& variables);

// The airspeed as X-Plane's velocity along its local axes (east, up, south), metres a second.
inline constexpr const char* kXPlaneVelocityEast = "sim/flightmodel/position/local_vx";
inline constexpr const char* kXPlaneVelocityUp = "sim/flightmodel/position/local_vy";
inline constexpr const char* kXPlaneVelocitySouth = "sim/flightmodel/position/local_vz";
struct XPlaneVelocity {
  double east = 0;
  double up = 0;
  double south = 0;
};
XPlaneVelocity XPlaneVelocityFor(const SimVariables& variables);
// The true airspeed in knots for a velocity.
double XPlaneAirspeed(const XPlaneVelocity& velocity);

XPlanePlacement XPlanePlacementFor(const SimVariables& variables);
void ReadXPlanePlacement(const XPlanePlacement& placement, SimVariables& variables);

inline constexpr const char* kXPlanePauseOn = "sim/operation/pause_on";
inline constexpr const char* kXPlanePauseOff = "sim/operation/pause_off";
inline constexpr const char* kXPlanePauseToggle = "sim/operation/pause_toggle";

}  // namespace kestrix
