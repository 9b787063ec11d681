#include <gtest/gtest.h>

#include <vector>

#include "track/flight_track.h"

namespace kestrix {
namespace {

FlightRecord Report(const std::string& flightId, std::vector<FlightPoint> points, double landingRate) {
  FlightRecord report;
  report.flightId = flightId;
  report.points = std::move(points);
  report.landingRate = landingRate;
  return report;
}

AvailableFlight Flight(const std::string& flightId) {
  AvailableFlight flight;
  flight.flightId = flightId;
  flight.departure = "KSEA";
  flight.arrival = "KSFO";
  return flight;
}

const FlightPoint kSeattle{47.45, -122.31, 400, 160};
const FlightPoint kPortland{45.59, -122.60, 30, 100};
const FlightPoint kSanFrancisco{37.62, -122.38, 10, 280};

TEST(FlightTrack, AStoredFlightIsItsOwnReportsAsLandedLegsInStoreOrder) {
  const std::vector<FlightRecord> reports = {Report("7", {kSeattle, kPortland}, -150), Report("8", {kSeattle}, -90),
                                             Report("7", {kPortland, kSanFrancisco}, -240)};
  const FlightTrack track = TrackOfReports(Flight("7"), reports);
  EXPECT_EQ(track.departure, "KSEA");
  EXPECT_EQ(track.arrival, "KSFO");
  ASSERT_EQ(track.legs.size(), 2u);
  EXPECT_EQ(track.legs[0].points, (std::vector<FlightPoint>{kSeattle, kPortland}));
  EXPECT_EQ(track.legs[1].landingRate, -240);
  EXPECT_TRUE(track.legs[0].landed && track.legs[1].landed);
  EXPECT_EQ(track.PointCount(), 4u);
  EXPECT_TRUE(TrackOfReports(Flight("9"), reports).legs.empty());
}

TEST(FlightTrack, ARecordingHasLandedOnlyOnceTheRecorderSawTheTouchdown) {
  FlightRecord temp;
  temp.landingRate = -120;
  for (const auto& [phase, landed] : std::vector<std::pair<int32_t, bool>>{
           {FlightPhase::NotAirborne, false}, {FlightPhase::Airborne, false}, {FlightPhase::Landed, true}}) {
    temp.flightPhase = phase;
    const FlightTrack track = TrackOfRecording(Flight("7"), temp, {kSeattle, kPortland});
    ASSERT_EQ(track.legs.size(), 1u);
    EXPECT_EQ(track.legs[0].landed, landed) << phase;
    EXPECT_EQ(track.legs[0].landingRate, -120);
  }
}

TEST(FlightTrack, TheProfileRunsOverTheDistanceFlownAcrossLegs) {
  const FlightTrack track{"KSEA", "KSFO", {{{kSeattle, kPortland}, true, 0}, {{kPortland, kSanFrancisco}, true, 0}}};
  const auto profile = AltitudeProfile(track);
  ASSERT_EQ(profile.size(), 2u);
  ASSERT_EQ(profile[0].size(), 2u);
  EXPECT_EQ(profile[0][0].distance, 0);
  EXPECT_EQ(profile[0][0].altitude, 400);
  // Seattle to Portland is 112 nautical miles; Portland to San Francisco 477 more.
  EXPECT_NEAR(profile[0][1].distance, 112, 2);
  EXPECT_NEAR(profile[1][0].distance, profile[0][1].distance, 1e-9);
  EXPECT_NEAR(profile[1][1].distance, 112 + 477, 6);
  EXPECT_EQ(profile[1][1].altitude, 10);
}

TEST(FlightTrack, TheLandingRateReadsAsTheResultsShowIt) {
  EXPECT_EQ(LandingRateText(-212.5), "-212.50 FT/MIN");
  EXPECT_EQ(LandingRateText(0), "0.00 FT/MIN");
}

}  // namespace
}  // namespace kestrix
