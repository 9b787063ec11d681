#include "flight_model.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <utility>

namespace kestrix {
namespace {

constexpr double kStepSeconds = 0.1;
constexpr double kTurnRate = 3;  // degrees per second
constexpr double kFinalApproachHeight = 1000;  // feet above the ground
constexpr double kFinalDescentRate = 700;
constexpr double kFlareHeight = 50;
constexpr double kBounceHeight = 100;
constexpr double kCircuitHeight = 1500;
constexpr double kCircuitSeconds = 60;
constexpr double kMinimumGroundSeconds = 2;
constexpr double kGroundBurnShare = 1.0 / 3;
// A light twin's tanks, US gallons; the other tanks are absent.
constexpr std::array<double, SimOffset::kFuelTankCount> kTankCapacity{80, 120, 40, 0, 120, 40, 0, 0, 0, 0, 0};

double Approach(double value, double target, double step) {
  return value < target ? std::min(target, value + step) : std::max(target, value - step);
}

double WrapDegrees(double degrees) {
  double wrapped = std::fmod(degrees, 360.0);
  return wrapped < 0 ? wrapped + 360 : wrapped;
}

struct SettingName {
  const char* name;
  double ScenarioSettings::*field;
};

constexpr SettingName kSettings[] = {
    {"latitude", &ScenarioSettings::latitude},
    {"longitude", &ScenarioSettings::longitude},
    {"elevation", &ScenarioSettings::elevation},
    {"runway-heading", &ScenarioSettings::runwayHeading},
    {"magnetic-variation", &ScenarioSettings::magneticVariation},
    {"fuel-fraction", &ScenarioSettings::fuelFraction},
    {"hold-seconds", &ScenarioSettings::holdSeconds},
    {"hold-until-sampled", &ScenarioSettings::holdUntilSampled},
    {"taxi-out-seconds", &ScenarioSettings::taxiOutSeconds},
    {"taxi-speed", &ScenarioSettings::taxiSpeed},
    {"rotate-speed", &ScenarioSettings::rotateSpeed},
    {"climb-rate", &ScenarioSettings::climbRate},
    {"cruise-altitude", &ScenarioSettings::cruiseAltitude},
    {"cruise-speed", &ScenarioSettings::cruiseSpeed},
    {"cruise-seconds", &ScenarioSettings::cruiseSeconds},
    {"descent-rate", &ScenarioSettings::descentRate},
    {"approach-speed", &ScenarioSettings::approachSpeed},
    {"touchdown-rate", &ScenarioSettings::touchdownRate},
    {"taxi-in-seconds", &ScenarioSettings::taxiInSeconds},
    {"fuel-burn", &ScenarioSettings::fuelBurn},
    {"wind-direction", &ScenarioSettings::windDirection},
    {"wind-speed", &ScenarioSettings::windSpeed},
    {"surface-layer-top", &ScenarioSettings::surfaceLayerTop},
};

struct EventName {
  const char* name;
  ScenarioEventKind kind;
  bool takesValue;
};

constexpr EventName kEvents[] = {
    {"pause", ScenarioEventKind::Pause, false},
    {"unpause", ScenarioEventKind::Unpause, false},
    {"slew-on", ScenarioEventKind::SlewOn, false},
    {"slew-off", ScenarioEventKind::SlewOff, false},
    {"rate", ScenarioEventKind::Rate, true},
    {"refuel", ScenarioEventKind::Refuel, true},
    {"bounce", ScenarioEventKind::Bounce, false},
    {"touch-and-go", ScenarioEventKind::TouchAndGo, false},
    {"marker", ScenarioEventKind::FuelMarker, true},
    {"ground-stop", ScenarioEventKind::GroundStop, false},
    {"heading", ScenarioEventKind::Heading, true},
    {"land", ScenarioEventKind::Land, false},
};

}  // namespace

namespace {

bool ParseEventWords(std::istringstream& words, ScenarioEvent& event) {
  std::string name;
  if (!(words >> name)) return false;
  for (const EventName& known : kEvents) {
    if (name != known.name) continue;
    event.kind = known.kind;
    event.value = 0;
    // The refuel amount is optional: without one the tanks are filled.
    if (known.takesValue && !(words >> event.value) && known.kind != ScenarioEventKind::Refuel) return false;
    std::string extra;
    return !(words >> extra);
  }
  return false;
}

}  // namespace

bool ParseScenarioEvent(const std::string& text, ScenarioEvent& event) {
  std::istringstream words(text);
  return ParseEventWords(words, event);
}

bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error) {
  Scenario parsed;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    bool ok = false;
    if (first == "at") {
      ScenarioEvent event;
      ok = (words >> event.time) && event.time >= 0 && ParseEventWords(words, event);
      if (ok) parsed.events.push_back(event);
    } else {
      for (const SettingName& setting : kSettings) {
        std::string extra;
        if (first == setting.name) ok = (words >> parsed.settings.*setting.field) && !(words >> extra);
      }
    }
    if (!ok) {
      error = "line " + std::to_string(number) + ": " + line;
      return false;
    }
  }
  std::stable_sort(parsed.events.begin(), parsed.events.end(),
                   [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.time < b.time; });
  scenario = std::move(parsed);
  return true;
}

bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
  std::ifstream file(path);
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  std::stringstream text;
  text << file.rdbuf();
  return ParseScenario(text.str(), scenario, error);
}

const char* FlightStageName(FlightStage stage) {
  switch (stage) {
    case FlightStage::Parked: return "parked";
    case FlightStage::TaxiOut: return "taxi-out";
    case FlightStage::TakeoffRoll: return "take-off";
    case FlightStage::Climb: return "climb";
    case FlightStage::Cruise: return "cruise";
    case FlightStage::Descent: return "descent";
    case FlightStage::Rollout: return "roll-out";
    case FlightStage::TaxiIn: return "taxi-in";
    case FlightStage::Stopped: return "stopped";
  }
  return "?";
}

FlightModel::FlightModel(Scenario scenario) : scenario(std::move(scenario)) {
  const ScenarioSettings& settings = this->scenario.settings;
  state.latitude = settings.latitude;
  state.longitude = settings.longitude;
  state.altitude = state.groundElevation = settings.elevation;
  state.trueHeading = targetHeading = WrapDegrees(settings.runwayHeading);
  state.magneticVariation = settings.magneticVariation;
  state.tankCapacity = kTankCapacity;
  state.tankLevel.fill(std::clamp(settings.fuelFraction, 0.0, 1.0));
  state.windDirection = settings.windDirection;
  state.windSpeed = settings.windSpeed;
  state.surfaceLayerTop = settings.surfaceLayerTop;
}

void FlightModel::Step(double seconds) {
  while (seconds > 1e-9) {
    double dt = std::min(seconds, kStepSeconds);
    Tick(dt);
    seconds -= dt;
  }
}

void FlightModel::Tick(double dt) {
  scenarioTime += dt;
  while (nextEvent < scenario.events.size() && scenario.events[nextEvent].time <= scenarioTime + 1e-9)
    Apply(scenario.events[nextEvent++]);
  if (state.paused || state.slew) return;
  stageTime += dt;
  Fly(dt);
  Move(dt);
  Burn(dt);
  state.outsideAirTempC = 15 - 2 * state.altitude / 1000;
}

void FlightModel::Enter(FlightStage next) {
  stage = next;
  stageTime = 0;
}

void FlightModel::ClimbTo(double altitude, double seconds) {
  levelOffAltitude = altitude;
  levelSeconds = seconds;
  state.onGround = false;
  state.verticalSpeed = scenario.settings.climbRate;
  Enter(FlightStage::Climb);
}

void FlightModel::Fly(double dt) {
  const ScenarioSettings& settings = scenario.settings;
  const double height = state.altitude - state.groundElevation;
  switch (stage) {
    case FlightStage::Parked:
      if (stageTime >= settings.holdSeconds && (settings.holdUntilSampled == 0 || sampled)) Enter(FlightStage::TaxiOut);
      break;
    case FlightStage::TaxiOut:
      state.trueAirspeed = Approach(state.trueAirspeed, settings.taxiSpeed, 2 * dt);
      if (stageTime >= settings.taxiOutSeconds) {
        targetHeading = WrapDegrees(settings.runwayHeading);
        Enter(FlightStage::TakeoffRoll);
      }
      break;
    case FlightStage::TakeoffRoll:
      state.trueAirspeed = Approach(state.trueAirspeed, settings.rotateSpeed, 5 * dt);
      if (state.trueAirspeed < settings.rotateSpeed || stageTime < kMinimumGroundSeconds) break;
      if (circuit)
        ClimbTo(state.groundElevation + kCircuitHeight, kCircuitSeconds);
      else
        ClimbTo(settings.cruiseAltitude, settings.cruiseSeconds);
      circuit = false;
      break;
    case FlightStage::Climb:
      state.verticalSpeed = settings.climbRate;
      state.trueAirspeed = Approach(state.trueAirspeed, settings.cruiseSpeed, dt);
      if (state.altitude >= levelOffAltitude) {
        state.altitude = levelOffAltitude;
        state.verticalSpeed = 0;
        Enter(FlightStage::Cruise);
      }
      break;
    case FlightStage::Cruise:
      state.verticalSpeed = 0;
      if (stageTime >= levelSeconds) Enter(FlightStage::Descent);
      break;
    case FlightStage::Descent:
      state.trueAirspeed = Approach(state.trueAirspeed, settings.approachSpeed, dt);
      if (height > kFinalApproachHeight)
        state.verticalSpeed = -settings.descentRate;
      else if (height > kFlareHeight)
        state.verticalSpeed = -kFinalDescentRate;
      else
        state.verticalSpeed = std::min(settings.touchdownRate, -1.0);
      break;
    case FlightStage::Rollout:
      // A bounce or touch-and-go stays on the ground long enough for a once-a-second sampler to see it.
      if (stageTime >= kMinimumGroundSeconds && bouncesPending > 0) {
        --bouncesPending;
        ClimbTo(state.groundElevation + kBounceHeight, 0);
        break;
      }
      if (touchAndGosPending > 0) {
        --touchAndGosPending;
        circuit = true;
        Enter(FlightStage::TakeoffRoll);
        break;
      }
      state.trueAirspeed = Approach(state.trueAirspeed, settings.taxiSpeed, 3 * dt);
      if (state.trueAirspeed <= settings.taxiSpeed) Enter(FlightStage::TaxiIn);
      break;
    case FlightStage::TaxiIn:
      if (stageTime >= settings.taxiInSeconds) Enter(FlightStage::Stopped);
      break;
    case FlightStage::Stopped:
      state.trueAirspeed = Approach(state.trueAirspeed, 0, 5 * dt);
      break;
  }
}

void FlightModel::Move(double dt) {
  state.trueHeading = WrapDegrees(state.trueHeading +
                                  std::clamp(WrapDegrees(targetHeading - state.trueHeading + 180) - 180,
                                             -kTurnRate * dt, kTurnRate * dt));
  const double nauticalMiles = state.trueAirspeed * dt / 3600;
  const double radians = state.trueHeading * std::numbers::pi / 180;
  state.latitude = std::clamp(state.latitude + nauticalMiles * std::cos(radians) / 60, -89.9, 89.9);
  state.longitude += nauticalMiles * std::sin(radians) / (60 * std::cos(state.latitude * std::numbers::pi / 180));
  state.longitude = WrapDegrees(state.longitude + 180) - 180;
  if (state.onGround) return;
  state.altitude += state.verticalSpeed * dt / 60;
  if (state.altitude <= state.groundElevation && state.verticalSpeed <= 0) Touchdown();
}

void FlightModel::Burn(double dt) {
  if (stage == FlightStage::Parked || stage == FlightStage::Stopped) return;
  const double total = state.FuelPounds();
  if (total <= 0) return;
  const double burnt = scenario.settings.fuelBurn * (state.onGround ? kGroundBurnShare : 1.0) * dt / 3600;
  const double keep = std::max(0.0, total - burnt) / total;
  for (double& level : state.tankLevel) level *= keep;
}

void FlightModel::Touchdown() {
  state.touchdownVerticalSpeed = state.verticalSpeed;
  state.altitude = state.groundElevation;
  state.verticalSpeed = 0;
  state.onGround = true;
  Enter(FlightStage::Rollout);
}

void FlightModel::Placed() {
  state.onGround = state.altitude <= state.groundElevation;
  if (state.onGround) {
    state.altitude = state.groundElevation;
    return;
  }
  state.verticalSpeed = 0;
  levelOffAltitude = state.altitude;
  levelSeconds = scenario.settings.cruiseSeconds;
  targetHeading = state.trueHeading;
  Enter(FlightStage::Cruise);
}

void FlightModel::Apply(const ScenarioEvent& event) {
  switch (event.kind) {
    case ScenarioEventKind::Pause: state.paused = true; break;
    case ScenarioEventKind::Unpause: state.paused = false; break;
    case ScenarioEventKind::SlewOn: state.slew = true; break;
    case ScenarioEventKind::SlewOff: state.slew = false; break;
    case ScenarioEventKind::Rate: state.simRate = static_cast<int32_t>(std::lround(std::clamp(event.value, 0.25, 128.0) * 256)); break;
    case ScenarioEventKind::Refuel: {
      const double capacity = state.CapacityPounds();
      const double wanted = event.value > 0 ? state.FuelPounds() + event.value : capacity;
      const double fraction = capacity > 0 ? std::min(1.0, wanted / capacity) : 0;
      for (int tank = 0; tank < SimOffset::kFuelTankCount; ++tank)
        if (state.tankCapacity[tank] > 0) state.tankLevel[tank] = fraction;
      break;
    }
    case ScenarioEventKind::Bounce: ++bouncesPending; break;
    case ScenarioEventKind::TouchAndGo: ++touchAndGosPending; break;
    case ScenarioEventKind::FuelMarker: state.fuelMarker = static_cast<uint16_t>(event.value); break;
    case ScenarioEventKind::GroundStop:
      if (state.onGround) Enter(FlightStage::Stopped);
      break;
    case ScenarioEventKind::Heading: targetHeading = WrapDegrees(event.value); break;
    case ScenarioEventKind::Land:
      if (!state.onGround) Enter(FlightStage::Descent);
      break;
  }
}

}  // namespace kestrix
