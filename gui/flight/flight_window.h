#pragma once

#include <array>
#include <memory>
#include <string>

#include "gui/base/dialog_base.h"
#include "recorder/flight_recorder.h"
#include "recorder/flight_server.h"
#include "recorder/flight_view.h"

class QAction;
class QEventLoop;
class QLabel;
class QMenu;
class QTimer;

namespace kestrix::gui {

class MainDialog;
class TrackWindow;
class TrayIcon;

// Command ids of the flight window's pop-up menu.
namespace FlightCommand {
inline constexpr int StartFlight = 40000;
inline constexpr int EndFlight = 40001;
inline constexpr int SaveLater = 40003;
inline constexpr int AlwaysOnTop = 40004;
inline constexpr int OnlineMode = 40005;
inline constexpr int Restore = 40021;
inline constexpr int ShowChat = 40022;
inline constexpr int FlightPlan = 40028;
// The last item, after its own separator: the flight's track map.
inline constexpr int ShowTrack = 40030;
}  // namespace FlightCommand

// The thin bar at the top of the screen while a flight is flown: the
// recorder's light and values, the flight menu, the tray and the timers. The
// recorder decides everything; the window shows it and forwards commands.
class FlightWindow : public DialogBase, public FlightView {
  Q_OBJECT
 public:
  // `mainDialog` (may be null) is shown again when the window closes and
  // receives the chat command.
  FlightWindow(MainDialog* mainDialog, SimLink& link);
  ~FlightWindow() override;

  // Refuses, with its message, a flight id that is neither a number nor a GUID.
  bool SetFlightId(const std::string& flightId);
  // A saved temporary flight of this flight exists; `valuesShown` skips the
  // last recorded values at the opening.
  void SetResumeMode(bool resume, bool valuesShown);
  // Opens the window and runs it until it closes.
  void Run();
  void RunCommand(int id);

  const FlightRecorder& Recorder() const { return recorder; }
  bool InTray() const { return inTray; }
  // Opened, and running its own loop until it closes.
  bool Running() const { return loop != nullptr; }

  WindowHandle Handle() override;
  void SetStatusLight(int bitmap, const std::string& tooltip) override;
  void SetStartFlightEnabled(bool enabled) override;
  void SetEndFlightEnabled(bool enabled) override;
  void SetFlightPlanItemText(const std::string& text) override;
  void ShowDisplays(const FlightDisplays& displays, int trayIconId, const std::string& trayTip) override;
  int ShowFlightResults(const FlightResultTexts& texts) override;
  void StartRecordingTimer() override;
  void StopRecordingTimer() override;
  void StopResumeReminder() override;
  void CloseWindow() override;

 public slots:
  // Escape and the window manager's close ask as "Save/Continue Flight Later..." does.
  void reject() override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void BuildBar();
  void BuildMenu();
  QAction* AddItem(QMenu& into, const char* text, int id);
  void Connect(QAction* item, int id);
  bool Open();
  void MoveToTopEdge();
  QRect MenuHotArea() const;
  void ShowMenuAt(const QPoint& globalPos);
  void GoToTray();
  void Restore();
  void SetOnTop(bool onTop);
  void ToggleOnline();
  void AddFlightPlan();
  void RemindToResume();
  void ShowTrack();
  void RefreshTrack();

  MainDialog* mainDialog;
  SimLink& link;
  LinkedFlightServer server;
  FlightRecorder recorder;

  QLabel* menuLabel = nullptr;
  QLabel* light = nullptr;
  std::array<QLabel*, 7> values{};
  QMenu* menu = nullptr;
  QAction* startItem = nullptr;
  QAction* endItem = nullptr;
  QAction* flightPlanItem = nullptr;
  QAction* onTopItem = nullptr;
  QAction* onlineItem = nullptr;
  QAction* restoreItem = nullptr;
  QAction* restoreSeparator = nullptr;
  QTimer* recordingTimer = nullptr;
  QTimer* resumeReminder = nullptr;
  std::unique_ptr<TrayIcon> tray;
  TrackWindow* trackWindow = nullptr;
  AvailableFlight trackFlight;

  std::string openFlightId;
  bool resumeMode = false;
  bool resumeInfoShown = true;
  bool inTray = false;
  bool noTraySaid = false;
  int trayIconId = RecorderArt::TrayBeforeStart;
  std::string trayTip;
  QEventLoop* loop = nullptr;
  bool closed = false;
};

}  // namespace kestrix::gui
