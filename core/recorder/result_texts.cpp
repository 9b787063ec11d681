#include "recorder/result_texts.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace kestrix {

namespace {

constexpr size_t kResultLineSize = 75;
constexpr size_t kResumeLineSize = 100;
constexpr size_t kCoordinateSize = 50;

// printf into a buffer of the dialog's fixed size; longer texts are cut.
std::string FormatLine(size_t size, const char* format, ...) {
  std::string text(size, '\0');
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(text.data(), size, format, args);
  va_end(args);
  text.resize(written < 0 ? 0 : std::min(static_cast<size_t>(written), size - 1));
  return text;
}

const char* Unit(int32_t count, const char* one, const char* many) { return count == 1 ? one : many; }

}  // namespace

int32_t WholeMinutes(int64_t seconds) { return static_cast<int32_t>(seconds / 60); }

std::string DisplayedFlightNumber(const AvailableFlight& flight) {
  const std::string& number = flight.flightNumber;
  if (!number.empty() && std::isdigit(static_cast<unsigned char>(number[0]))) return flight.airlineIcao + number;
  return number;
}

std::string DurationText(int32_t minutes) {
  if (minutes < 60) return FormatLine(kResultLineSize, "Duration: %d %s", minutes, Unit(minutes, "minute", "minutes"));
  const int32_t hours = minutes / 60;
  const int32_t rest = minutes % 60;
  return FormatLine(kResultLineSize, "Duration: %d %s and %d %s", hours, Unit(hours, "hour", "hours"), rest,
                    Unit(rest, "minute", "minutes"));
}

FlightResultTexts MakeResultTexts(const AvailableFlight& flight, const FlightRecord& record) {
  FlightResultTexts texts;
  texts.flightNumber = FormatLine(kResultLineSize, "Flight number: %s", DisplayedFlightNumber(flight).c_str());
  texts.route = FormatLine(kResultLineSize, "Route: %s-%s", flight.departure.c_str(), flight.arrival.c_str());
  texts.duration = DurationText(record.flightMinutes);
  texts.fuelUsed = FormatLine(kResultLineSize, "Fuel used: %d lbs", record.fuelUsed);
  texts.landingRate = FormatLine(kResultLineSize, "Landing rate (approx): %0.2f FT/MIN @ %d KIAS", record.landingRate,
                                 record.landingSpeed);
  return texts;
}

std::string DegreesMinutesText(double value, bool latitude) {
  if (value == 0) return {};
  // Toward zero: floor for positive values, ceiling for negative ones.
  const double degrees = std::trunc(value);
  const double minutesExact = (value - degrees) * 60;
  const double minutes = std::trunc(minutesExact);
  const double hundredths = std::trunc((minutesExact - minutes) * 100);
  const char letter = latitude ? (value > 0 ? 'N' : 'S') : (value > 0 ? 'E' : 'W');
  // Hundredths keep two digits so that 5.05 minutes does not read as 5.5.
  return FormatLine(kCoordinateSize, "%c%d\272 %d.%02d'", letter, std::abs(static_cast<int>(degrees)),
                    std::abs(static_cast<int>(minutes)), std::abs(static_cast<int>(hundredths)));
}

ResumeValuesTexts MakeResumeValuesTexts(const FlightRecord& record, int32_t maxGroundMinutes) {
  ResumeValuesTexts texts;
  texts.title = "Here are the last recorded values from the flight";
  texts.latitude = FormatLine(kResumeLineSize, "Latitude: %s (%f)", DegreesMinutesText(record.lastLatitude, true).c_str(),
                              record.lastLatitude);
  texts.longitude = FormatLine(kResumeLineSize, "Longitude: %s (%f)",
                               DegreesMinutesText(record.lastLongitude, false).c_str(), record.lastLongitude);
  texts.altitude = FormatLine(kResumeLineSize, "Altitude: %d ft", record.altitude);
  texts.heading = FormatLine(kResumeLineSize, "Heading: %d\260", record.heading);
  texts.fuelRemaining = FormatLine(kResumeLineSize, "Fuel Remaining: %d lbs", record.currentFuel);
  texts.flightTime = FormatLine(kResumeLineSize, "Flight Time: %d min", WholeMinutes(record.recordedTime));
  texts.groundRemaining =
      FormatLine(kResumeLineSize, "Ground Remaining: %d min", maxGroundMinutes - WholeMinutes(record.groundTime));
  return texts;
}

}  // namespace kestrix
