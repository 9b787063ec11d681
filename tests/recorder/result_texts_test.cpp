#include "recorder/result_texts.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(ResultTexts, DurationWordsAndPlurals) {
  const std::pair<int, const char*> cases[] = {
      {0, "Duration: 0 minutes"},          {1, "Duration: 1 minute"},
      {59, "Duration: 59 minutes"},        {60, "Duration: 1 hour and 0 minutes"},
      {61, "Duration: 1 hour and 1 minute"}, {125, "Duration: 2 hours and 5 minutes"},
      {1501, "Duration: 25 hours and 1 minute"},
  };
  for (const auto& [minutes, text] : cases) EXPECT_EQ(DurationText(minutes), text) << minutes;
}

TEST(ResultTexts, FlightNumberGetsTheAirlineOnlyWhenNumeric) {
  AvailableFlight flight;
  flight.airlineIcao = "XYZ";
  const std::pair<const char*, const char*> cases[] = {{"123", "XYZ123"}, {"XYZ123", "XYZ123"}, {"", ""}};
  for (const auto& [number, shown] : cases) {
    flight.flightNumber = number;
    EXPECT_EQ(DisplayedFlightNumber(flight), shown);
  }
}

TEST(ResultTexts, LinesOfTheResultDialog) {
  AvailableFlight flight;
  flight.airlineIcao = "XYZ";
  flight.flightNumber = "123";
  flight.departure = "KSEA";
  flight.arrival = "KPDX";
  FlightRecord record;
  record.flightMinutes = 61;
  record.fuelUsed = 1840;
  record.landingRate = -212.5;
  record.landingSpeed = 131;
  const FlightResultTexts texts = MakeResultTexts(flight, record);
  EXPECT_EQ(texts.flightNumber, "Flight number: XYZ123");
  EXPECT_EQ(texts.route, "Route: KSEA-KPDX");
  EXPECT_EQ(texts.duration, "Duration: 1 hour and 1 minute");
  EXPECT_EQ(texts.fuelUsed, "Fuel used: 1840 lbs");
  EXPECT_EQ(texts.landingRate, "Landing rate (approx): -212.50 FT/MIN @ 131 KIAS");
}

TEST(ResultTexts, LongLinesAreCutToTheDialogBuffer) {
  AvailableFlight flight;
  flight.flightNumber = std::string(200, 'A');
  const FlightResultTexts texts = MakeResultTexts(flight, FlightRecord{});
  EXPECT_EQ(texts.flightNumber.size(), 74u);
}

TEST(ResultTexts, DegreesAndMinutes) {
  struct Case {
    double value;
    bool latitude;
    const char* text;
  } cases[] = {
      {47.5, true, "N47\272 30.00'"},    {-33.9461, true, "S33\272 56.76'"}, {0.5, true, "N0\272 30.00'"},
      {-122.25, false, "W122\272 15.00'"}, {8.0841667, false, "E8\272 5.05'"}, {0, true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DegreesMinutesText(c.value, c.latitude), c.text) << c.value;
}

TEST(ResultTexts, ResumeValues) {
  FlightRecord record;
  record.lastLatitude = 47.5;
  record.lastLongitude = -122.25;
  record.altitude = 9000;
  record.heading = 360;
  record.currentFuel = 5400;
  record.recordedTime = 86400 + 3 * 3600 + 7 * 60 + 59;
  record.groundTime = 12 * 60 + 30;
  const ResumeValuesTexts texts = MakeResumeValuesTexts(record, 20);
  EXPECT_EQ(texts.latitude, "Latitude: N47\272 30.00' (47.500000)");
  EXPECT_EQ(texts.longitude, "Longitude: W122\272 15.00' (-122.250000)");
  EXPECT_EQ(texts.altitude, "Altitude: 9000 ft");
  EXPECT_EQ(texts.heading, "Heading: 360\260");
  EXPECT_EQ(texts.fuelRemaining, "Fuel Remaining: 5400 lbs");
  EXPECT_EQ(texts.flightTime, "Flight Time: 1627 min");
  EXPECT_EQ(texts.groundRemaining, "Ground Remaining: 8 min");
}

}  // namespace
}  // namespace kestrix
