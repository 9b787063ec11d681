#include "console/console_flight_view.h"

#include <iostream>

namespace kestrix::console {

namespace {
constexpr int kFlightComplete = 1;
}

void ConsoleFlightView::SetStatusLight(int, const std::string& tooltip) {
  std::cout << "recorder: " << tooltip << std::endl;
}

int ConsoleFlightView::ShowFlightResults(const FlightResultTexts& texts) {
  std::cout << "flight result: " << texts.flightNumber << "; " << texts.route << "; " << texts.duration << "; "
            << texts.fuelUsed << "; " << texts.landingRate << "  -> Flight Complete" << std::endl;
  return kFlightComplete;
}

}  // namespace kestrix::console
