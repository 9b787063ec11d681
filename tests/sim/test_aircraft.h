#pragma once

#include "sim/sim_offset_table.h"

namespace kestrix::test {

// An aircraft in the air with a value in every variable the program reads,
// the tanks spread so that X-Plane's nine hold them too.
inline void PutTestAircraft(SimVariables& s) {
  s.latitude = -33.9461234;
  s.longitude = 151.1772345;
  s.altitude = 5000.4;
  s.groundElevation = 21;
  s.trueHeading = 5.5;
  s.magneticVariation = 12.5;  // a magnetic heading across north
  s.trueAirspeed = 180.9;
  s.groundSpeed = 170.2;
  s.verticalSpeed = -640;
  s.onGround = false;
  s.simRate = 512;
  s.outsideAirTempC = -3.5;
  s.fuelMarker = 42;
  s.windDirection = 270;
  s.windSpeed = 15;
  s.tankCapacity = {40, 40, 0, 0, 0, 0, 0, 0, 12, 0, 0};
  s.tankLevel = {0.5, 0.75, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  s.title = "Test Twin";
}

}  // namespace kestrix::test
