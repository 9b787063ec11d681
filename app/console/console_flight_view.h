#pragma once

#include <string>

#include "recorder/flight_view.h"

namespace kestrix::console {

// The flight window on the console: state changes and the result are
// printed, the flight is always classified as completed, and closing the
// window ends the flight loop.
class ConsoleFlightView : public FlightView {
 public:
  WindowHandle Handle() override { return nullptr; }
  void SetStatusLight(int bitmap, const std::string& tooltip) override;
  void SetStartFlightEnabled(bool) override {}
  void SetEndFlightEnabled(bool enabled) override { endEnabled = enabled; }
  void SetFlightPlanItemText(const std::string&) override {}
  void ShowDisplays(const FlightDisplays& shown, int, const std::string&) override { displays = shown; }
  int ShowFlightResults(const FlightResultTexts& texts) override;
  void StartRecordingTimer() override { timerRunning = true; }
  void StopRecordingTimer() override { timerRunning = false; }
  void StopResumeReminder() override {}
  void CloseWindow() override { closed = true; }

  bool TimerRunning() const { return timerRunning; }
  bool Closed() const { return closed; }
  bool EndEnabled() const { return endEnabled; }
  const FlightDisplays& Displays() const { return displays; }

 private:
  FlightDisplays displays;
  bool timerRunning = false;
  bool closed = false;
  bool endEnabled = false;
};

}  // namespace kestrix::console
