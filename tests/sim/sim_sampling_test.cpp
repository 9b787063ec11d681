#include "sim/sim_sampling.h"

#include <cmath>
#include <cstring>

#include "sim_fixture.h"

namespace kestrix::test {
namespace {

constexpr double kTwo32 = 4294967296.0;

uint32_t RawHeading(double degrees) { return static_cast<uint32_t>(degrees * kTwo32 / 360); }
uint16_t RawVariation(double degrees) { return static_cast<uint16_t>(static_cast<int32_t>(std::lround(degrees * 65536 / 360))); }

TEST(SimConversions, PositionAndAltitude) {
  const int64_t ninety = int64_t{10001750} * 65536 * 65536;
  EXPECT_EQ(LatitudeFromRaw(0), 0.0);
  EXPECT_EQ(LatitudeFromRaw(ninety), 90.0);
  EXPECT_EQ(LatitudeFromRaw(-ninety / 2), -45.0);
  EXPECT_EQ(LongitudeFromRaw(int64_t{1} << 62), 90.0);
  EXPECT_EQ(LongitudeFromRaw(INT64_MIN), -180.0);
  EXPECT_EQ(AltitudeFeetFromRaw(int64_t{1000} << 32), 3280);
  EXPECT_EQ(AltitudeFeetFromRaw(-(int64_t{1000} << 32)), -3280);
  EXPECT_EQ(RadioAltitudeFeetFromRaw(100 * 65536), 328);
  EXPECT_EQ(OutsideAirTempFromRaw(-2560 - 128), -10);
  EXPECT_EQ(SurfaceLayerTopFeetFromRaw(-100), -328);

  EXPECT_EQ(LatitudeToRaw(90.0), ninety);
  EXPECT_NEAR(LatitudeFromRaw(LatitudeToRaw(-33.9461)), -33.9461, 1e-9);
  EXPECT_NEAR(LongitudeFromRaw(LongitudeToRaw(-122.25)), -122.25, 1e-9);
  EXPECT_EQ(AltitudeFeetFromRaw(AltitudeFeetToRaw(5000)), 4999);  // truncation of the round trip
  EXPECT_EQ(AltitudeFeetFromRaw(AltitudeFeetToRaw(-1300)), -1299);  // below sea level stays below
  EXPECT_NEAR(KnotsToFeetPerSecond(100), 168.780986, 1e-9);
}

TEST(SimConversions, GarbageSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(AltitudeFeetFromRaw(INT64_MAX), INT32_MAX);
  EXPECT_EQ(AltitudeFeetFromRaw(INT64_MIN), INT32_MIN);
  EXPECT_EQ(LongitudeToRaw(180.0), INT64_MAX);
  EXPECT_EQ(LatitudeToRaw(NAN), 0);
  FuelReading reading;
  reading.versionWord = 3;
  reading.fuelWeightRaw = 0xFFFF;
  reading.levels.fill(0xFFFFFFFF);
  reading.capacities.fill(0xFFFFFFFF);
  EXPECT_EQ(FuelPoundsFromReading(reading), INT32_MAX);
}

struct HeadingCase {
  double trueHeading;
  double variation;
  int32_t expected;
};

TEST(SimConversions, MagneticHeadingRunsFromOneTo360) {
  const HeadingCase cases[] = {
      {90.5, 0, 90},   {100.5, 15, 85}, {15.5, 15, 360},  {0, 0, 360},
      {5.5, 10.1, 355},  {10.5, -22.5, 33},  // a westerly variation is read as 337 degrees
      {359.9, 0, 359}, {200.5, -10, 210},
  };
  for (const HeadingCase& c : cases)
    EXPECT_EQ(MagneticHeadingFromRaw(RawHeading(c.trueHeading), RawVariation(c.variation)), c.expected)
        << c.trueHeading << " " << c.variation;
}

TEST(SimConversions, PlacementHeadingAddsVariationBack) {
  struct {
    int32_t magnetic;
    double variation;
    double expectedTrue;
  } const cases[] = {{85, 15, 100}, {350, 15, 5}, {345, 15, 0}, {33, -22.5, 10}, {0, 0, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(TrueHeadingRawFromMagnetic(c.magnetic, RawVariation(c.variation)), RawHeading(c.expectedTrue))
        << c.magnetic;
}

TEST(SimConversions, FuelIsTheTotalWordOnOlderSimulatorsAndTheTankSumOtherwise) {
  FuelReading reading;
  reading.fuelWeightRaw = 6 * 256;
  reading.levels[0] = 128 * 65536;  // full
  reading.capacities[0] = 100;
  reading.levels[8] = 64 * 65536;  // half
  reading.capacities[8] = 51;
  reading.totalFuelWeight = 1234;
  for (uint16_t version : {8, 10}) {
    reading.versionWord = version;
    EXPECT_EQ(FuelPoundsFromReading(reading), 1234);
  }
  for (uint16_t version : {7, 9, 11, 0}) {
    reading.versionWord = version;
    EXPECT_EQ(FuelPoundsFromReading(reading), 753) << version;  // 6 x (100 + 25.5)
  }
}

TEST(SimConversions, LiveFeedValues) {
  EXPECT_EQ(GroundSpeedKnotsFromRaw(static_cast<uint32_t>(99.6 * 1852 / 3600 * 65536)), 100);
  EXPECT_EQ(GroundSpeedKnotsFromRaw(static_cast<uint32_t>(99.4 * 1852 / 3600 * 65536)), 99);
  EXPECT_EQ(OutsideAirTempFahrenheitFromRaw(-10 * 256), 14);
  EXPECT_EQ(OutsideAirTempFahrenheitFromRaw(25 * 256 + 128), 77);  // 77.9
  EXPECT_EQ(WindDirectionFromRaw(0x8000), 180);
  EXPECT_EQ(WindDirectionFromRaw(0xFFFF), 360);
  EXPECT_EQ(WindDirectionFromRaw(RawVariation(270.4)), 270);
  EXPECT_EQ(WindDirectionFromRaw(RawVariation(270.6)), 271);

  struct {
    int32_t direction, variation, layerTop, altitude, expected;
  } const cases[] = {
      {270, 15, 2000, 5000, 255},  // above the surface layer: magnetic
      {270, 15, 2000, 1000, 270},  // inside it: as read
      {270, 15, 2000, 2000, 270},
      {10, 15, 0, 5000, 355},      // folded back below zero
      {10, -20, 0, 5000, 30},
  };
  for (const auto& c : cases) {
    LiveFeedExtras extras;
    extras.windDirection = c.direction;
    extras.magneticVariation = c.variation;
    extras.surfaceLayerTop = c.layerTop;
    EXPECT_EQ(WindDirectionForReport(extras, c.altitude), c.expected) << c.direction << " " << c.altitude;
  }
}

using SimSamplingTest = SimFixture;

void PutAircraft(AircraftState& s) {
  s.latitude = 47.5;
  s.longitude = -122.25;
  s.altitude = 5000.4;
  s.groundElevation = 400;
  s.trueHeading = 100.5;
  s.magneticVariation = 15;
  s.trueAirspeed = 180.9;
  s.onGround = false;
  s.simRate = 512;
  s.slew = true;
  s.touchdownVerticalSpeed = -200;
  s.outsideAirTempC = -3.5;
  s.fuelMarker = 42;
  s.windDirection = 270;
  s.windSpeed = 15;
  s.surfaceLayerTop = 600;
  s.title = "Test Twin";
}

TEST_F(SimSamplingTest, SampleFillsChecksAndTheFlight) {
  StartPeer();
  peer->EditAircraft(PutAircraft);
  OpenLink();
  SimCheckFields checks;
  FlightRecord flight;
  int result = -1;
  ASSERT_TRUE(SampleSimulator(link, checks, flight, result));
  EXPECT_EQ(checks.paused, 0);
  EXPECT_EQ(checks.slewActive, 1);
  EXPECT_EQ(checks.simRate, 512);
  EXPECT_EQ(checks.onGround, 0);
  EXPECT_NEAR(checks.touchdownVerticalSpeed * 60 * 3.28084 / 256, -200, 1);
  EXPECT_EQ(checks.touchdownAirspeedRaw / 128, 180);  // the airspeed of the moment
  EXPECT_EQ(flight.trueAirspeed, 180);
  EXPECT_NEAR(flight.latitude, 47.5, 1e-9);
  EXPECT_EQ(flight.lastLatitude, flight.latitude);
  EXPECT_NEAR(flight.longitude, -122.25, 1e-9);
  EXPECT_EQ(flight.lastLongitude, flight.longitude);
  EXPECT_EQ(flight.altitude, 5000);
  EXPECT_EQ(flight.heading, 85);
  EXPECT_EQ(flight.outsideAirTemp, -3);
  EXPECT_EQ(flight.radioAltitude, 4600);
  EXPECT_EQ(flight.fuelMarker, 42);

  int32_t marker = 0, onGround = 9;
  ASSERT_TRUE(ReadFuelMarker(link, marker, result));
  EXPECT_EQ(marker, 42);
  ASSERT_TRUE(ReadOnGround(link, onGround, result));
  EXPECT_EQ(onGround, 0);
}

TEST_F(SimSamplingTest, FailedBatchLeavesTheFlightAndQueueUntouched) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::RefuseBlocks);
  SimCheckFields checks;
  checks.simRate = 7;
  FlightRecord flight;
  flight.altitude = 123;
  int result = -1;
  EXPECT_FALSE(SampleSimulator(link, checks, flight, result));
  EXPECT_EQ(result, SimResult::Rejected);
  EXPECT_EQ(checks.simRate, 7);
  EXPECT_EQ(flight.altitude, 123);

  link.Close();
  EXPECT_FALSE(SampleSimulator(link, checks, flight, result));
  EXPECT_EQ(result, SimResult::NotOpen);
}

TEST_F(SimSamplingTest, FuelFollowsTheSimulatorVersion) {
  StartPeer();
  OpenLink();
  const double pounds = peer->Aircraft().FuelPounds();
  int32_t fuel = 0;
  int result = -1;
  ASSERT_TRUE(ReadFuel(link, fuel, result));
  EXPECT_NEAR(fuel, pounds, 1);
  // Only the total word changes: a tank-sum reading must not see it.
  peer->EditAircraft([](AircraftState& s) { s.versionWord = 11; });
  ASSERT_TRUE(ReadFuel(link, fuel, result));
  EXPECT_NEAR(fuel, pounds, 2);
  peer->EditAircraft([](AircraftState& s) { s.tankLevel.fill(0); });
  ASSERT_TRUE(ReadFuel(link, fuel, result));
  EXPECT_EQ(fuel, 0);
}

TEST_F(SimSamplingTest, LiveFeedExtras) {
  StartPeer();
  peer->EditAircraft(PutAircraft);
  peer->EditAircraft([](AircraftState& s) { s.magneticVariation = -12; });
  OpenLink();
  LiveFeedExtras extras;
  int result = -1;
  ASSERT_TRUE(ReadLiveFeedExtras(link, extras, result));
  EXPECT_EQ(extras.magneticVariation, -12);
  EXPECT_EQ(extras.groundSpeed, 181);
  EXPECT_NEAR(extras.fuelWeight, 6.6992, 1e-3);
  EXPECT_EQ(extras.aircraftTitle, "Test Twin");
  EXPECT_EQ(extras.outsideAirTempF, 25);  // 25.7
  EXPECT_EQ(extras.fuelCapacity, static_cast<int32_t>(400 * 1715 / 256.0));
  EXPECT_EQ(extras.windSpeed, 15);
  EXPECT_EQ(extras.windDirection, 270);
  EXPECT_EQ(extras.surfaceLayerTop, 1968);
  EXPECT_EQ(WindDirectionForReport(extras, 5000), 282);
}

TEST_F(SimSamplingTest, GarbageFromTheSimulatorGivesBoundedValues) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::GarbageAnswers);
  for (int round = 0; round < 20; ++round) {
    SimCheckFields checks;
    FlightRecord flight;
    LiveFeedExtras extras;
    int32_t fuel = 0;
    int result = -1;
    ASSERT_TRUE(SampleSimulator(link, checks, flight, result));
    ASSERT_TRUE(ReadFuel(link, fuel, result));
    ASSERT_TRUE(ReadLiveFeedExtras(link, extras, result));
    EXPECT_GE(flight.heading, 1);
    EXPECT_LE(flight.heading, 360);
    EXPECT_LE(extras.aircraftTitle.size(), 256u);
    EXPECT_GE(WindDirectionForReport(extras, flight.altitude), 0);
  }
}

TEST_F(SimSamplingTest, PlacementPausesThenPositionsThenTurnsAfterTwoSeconds) {
  StartPeer();
  peer->EditAircraft([](AircraftState& s) { s.magneticVariation = 15; });
  OpenLink();
  peer->ClearWrites();
  FlightRecord flight;
  flight.lastLatitude = -33.9461;
  flight.lastLongitude = 151.1772;
  flight.altitude = 12000;
  flight.trueAirspeed = 250;
  flight.heading = 350;
  const uint64_t before = clock->MonotonicMs();
  int result = -1;
  ASSERT_TRUE(PlaceAircraft(link, flight, result));
  EXPECT_GE(clock->MonotonicMs() - before, 2000u);

  const AircraftState s = peer->Aircraft();
  EXPECT_TRUE(s.paused);
  EXPECT_NEAR(s.latitude, -33.9461, 1e-9);
  EXPECT_NEAR(s.longitude, 151.1772, 1e-9);
  EXPECT_NEAR(s.altitude, 12000, 1e-3);
  EXPECT_NEAR(s.trueHeading, 5, 1e-6);  // 350 + 15, wrapped
  EXPECT_DOUBLE_EQ(s.airspeedFeetPerSecond, 250 * 1.68780986);
  EXPECT_FALSE(s.onGround);

  const auto writes = peer->Writes();
  std::vector<uint32_t> offsets;
  for (const SimWrite& write : writes) offsets.push_back(write.offset);
  EXPECT_EQ(offsets, (std::vector<uint32_t>{0x0262, 0x0560, 0x0568, 0x0570, 0x0578, 0x057C, 0x3090, 0x0580}));
  for (size_t index : {4u, 5u}) EXPECT_EQ(writes[index].bytes, std::vector<unsigned char>(4, 0));
}

TEST_F(SimSamplingTest, PlacementStopsAtTheFirstFailure) {
  StartPeer();
  OpenLink();
  peer->ClearWrites();
  peer->SetFault(SimulatorFault::RefuseBlocks);
  FlightRecord flight;
  flight.lastLatitude = 10;
  int result = -1;
  EXPECT_FALSE(PlaceAircraft(link, flight, result));
  EXPECT_EQ(result, SimResult::Rejected);
  EXPECT_TRUE(peer->Writes().empty());
}

}  // namespace
}  // namespace kestrix::test
