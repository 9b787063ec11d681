#pragma once

#include <string>

#include "recorder/flight_recorder.h"

namespace kestrix::test {

// A flight window that shows nothing and takes the first result button.
class QuietView : public FlightView {
 public:
  WindowHandle Handle() override { return this; }
  void SetStatusLight(int, const std::string&) override {}
  void SetStartFlightEnabled(bool) override {}
  void SetEndFlightEnabled(bool) override {}
  void SetFlightPlanItemText(const std::string&) override {}
  void ShowDisplays(const FlightDisplays&, int, const std::string&) override {}
  int ShowFlightResults(const FlightResultTexts&) override { return 1; }
  void StartRecordingTimer() override {}
  void StopRecordingTimer() override {}
  void StopResumeReminder() override {}
  void CloseWindow() override { closed = true; }
  bool closed = false;
};

// An airline that cannot be reached, so nothing leaves the recorder.
class OfflineServer : public FlightServer {
 public:
  bool IsInternetConnected() override { return false; }
  void SendLiveReport(const LiveFeedRecord&, bool) override {}
  void UploadFlightPlan(const std::string&, const std::string&, const std::string&) override {}
  bool FileFlightReport(WindowHandle, const std::string&) override { return false; }
};

}  // namespace kestrix::test
