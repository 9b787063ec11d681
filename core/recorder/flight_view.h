#pragma once

#include <string>

#include "platform/message_box.h"
#include "recorder/result_texts.h"

namespace kestrix {

// Recorder states, as the status light and the status line show them.
namespace RecorderStatus {
inline constexpr int NotStarted = 0;
inline constexpr int Recording = 1;
inline constexpr int Paused = 2;
inline constexpr int Slew = 3;
inline constexpr int TimeRate = 4;
inline constexpr int GroundTimeExceeded = 5;
}  // namespace RecorderStatus

// Tray icons and status-light bitmaps of the flight window.
namespace RecorderArt {
inline constexpr int TrayBeforeStart = 144;
inline constexpr int TrayNotRecording = 145;
inline constexpr int TrayRecording = 146;
inline constexpr int LightStopped = 132;
inline constexpr int LightNotRecording = 133;
inline constexpr int LightRecording = 134;
}  // namespace RecorderArt

// The seven live values of the flight window's bar, already as text.
struct FlightDisplays {
  std::string altitude;
  std::string heading;
  std::string trueAirspeed;
  std::string recordedTime;
  std::string groundTimeLeft;
  std::string fuelRemaining;
  std::string outsideAirTemp;
};

// What the flight window does for the recorder: its light, menu, bar, tray
// and timers. The recorder decides; the window only shows.
class FlightView {
 public:
  virtual ~FlightView() = default;
  // Owner of the recorder's message boxes and dialogs.
  virtual WindowHandle Handle() = 0;
  // Called only when the state changes: bitmap and tooltip of the light.
  virtual void SetStatusLight(int bitmap, const std::string& tooltip) = 0;
  virtual void SetStartFlightEnabled(bool enabled) = 0;
  virtual void SetEndFlightEnabled(bool enabled) = 0;
  virtual void SetFlightPlanItemText(const std::string& text) = 0;
  // After every recording tick: the bar's values, the tray icon and its tip
  // (the tip already cut to what the tray holds).
  virtual void ShowDisplays(const FlightDisplays& displays, int trayIconId, const std::string& trayTip) = 0;
  // The result dialog: 1 "Flight Complete", 2 "Refueling Stop", anything else closed.
  virtual int ShowFlightResults(const FlightResultTexts& texts) = 0;
  virtual void StartRecordingTimer() = 0;
  virtual void StopRecordingTimer() = 0;
  virtual void StopResumeReminder() = 0;
  // Removes the tray icon, shows the main dialog again and ends the window.
  virtual void CloseWindow() = 0;
};

}  // namespace kestrix
