#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim_offset_table.h"
#include "sim/sim_offsets.h"

namespace kestrix {

// The simulated aircraft as the stand-in simulator knows it, in plain units.
// Its ground speed is its airspeed: the model flies in still air.
struct AircraftState : SimVariables {
  AircraftState() { title = "Kestrix Trainer Twin"; }
};

enum class ScenarioEventKind {
  Pause, Unpause, SlewOn, SlewOff, Rate, Refuel, Bounce, TouchAndGo, FuelMarker, GroundStop, Heading, Land,
};

// Something that happens at a scenario time (seconds from the start,
// counted while paused too).
struct ScenarioEvent {
  double time = 0;
  ScenarioEventKind kind = ScenarioEventKind::Pause;
  double value = 0;  // rate multiple, pounds, marker or heading
};

// How the default flight is flown; a scenario file may change any of it.
struct ScenarioSettings {
  double latitude = 47.45;
  double longitude = -122.31;
  double elevation = 430;  // feet
  double runwayHeading = 160;  // degrees true
  double magneticVariation = 15;  // degrees, east positive
  double fuelFraction = 0.8;  // of every tank's capacity at the start
  double holdSeconds = 30;
  // Non-zero: stays parked past the hold until a client samples the aircraft,
  // so a pilot starting the recording by hand sees the whole flight.
  double holdUntilSampled = 0;
  double taxiOutSeconds = 60;
  double taxiSpeed = 15;
  double rotateSpeed = 140;
  double climbRate = 1800;  // feet per minute
  double cruiseAltitude = 9000;  // feet above sea level
  double cruiseSpeed = 250;
  double cruiseSeconds = 300;
  double descentRate = 1500;
  double approachSpeed = 140;
  double touchdownRate = -180;  // feet per minute, negative is down
  double taxiInSeconds = 60;
  double fuelBurn = 2400;  // pounds per hour in flight, a third of it on the ground
  double windDirection = 270;  // degrees true
  double windSpeed = 12;  // knots
  double surfaceLayerTop = 600;  // metres
};

struct Scenario {
  ScenarioSettings settings;
  std::vector<ScenarioEvent> events;
};

// Scenario text: one "name value" setting or "at SECONDS EVENT [VALUE]"
// line each; '#' starts a comment. Fills `error` with the bad line.
bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error);
// One event without its time, as "rate 2" or "refuel 500".
bool ParseScenarioEvent(const std::string& text, ScenarioEvent& event);
bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);

enum class FlightStage {
  Parked, TaxiOut, TakeoffRoll, Climb, Cruise, Descent, Rollout, TaxiIn, Stopped,
};
const char* FlightStageName(FlightStage stage);

// A small deterministic flight model that flies a scenario.
class FlightModel {
 public:
  explicit FlightModel(Scenario scenario = {});

  // Advances simulated time; the aircraft moves only while not paused or slewing.
  void Step(double seconds);
  const AircraftState& State() const { return state; }
  AircraftState& MutableState() { return state; }
  FlightStage Stage() const { return stage; }
  double ScenarioTime() const { return scenarioTime; }
  void Apply(const ScenarioEvent& event);
  // After the aircraft was put somewhere by hand: flies on level when off the ground.
  void Placed();
  // A client read the aircraft's state: ends a hold that waits for it.
  void Sampled() { sampled = true; }

 private:
  void Tick(double dt);
  void Fly(double dt);
  void Move(double dt);
  void Burn(double dt);
  void Touchdown();
  void Enter(FlightStage next);
  void ClimbTo(double altitude, double seconds);

  Scenario scenario;
  AircraftState state;
  FlightStage stage = FlightStage::Parked;
  double stageTime = 0;
  double scenarioTime = 0;
  size_t nextEvent = 0;
  double targetHeading = 0;
  double levelOffAltitude = 0;
  double levelSeconds = 0;
  int bouncesPending = 0;
  int touchAndGosPending = 0;
  bool circuit = false;
  bool sampled = false;
};

}  // namespace kestrix
