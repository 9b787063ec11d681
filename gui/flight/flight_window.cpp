#include "gui/flight/flight_window.h"

#include <QAction>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "gui/chat/chat_button.h"
#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/flight/flight_art.h"
#include "gui/main/flight_menu.h"
#include "gui/flight/flight_result_dialog.h"
#include "gui/main/main_dialog.h"
#include "gui/flight/resume_flight_dialog.h"
#include "gui/track/track_window.h"
#include "gui/flight/tray_icon.h"
#include "gui/base/window_handle.h"
#include "recorder/flight_plan_filter.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

constexpr QSize kTemplateSize(686, 10);
constexpr int kRecordingTickMs = 1000;
constexpr int kReminderMs = 120000;
constexpr int kMenuLabelId = 40001;
constexpr int kLightId = 1000;
constexpr int kTrayButtonId = 1001;
// The "MENU" label's hot area in dialog units; both ends belong to the drag.
constexpr int kMenuLeft = 101;
constexpr int kMenuRight = 134;
constexpr int kBarHeight = 10;

// One value of the bar: its marker, label and field, in dialog units from `x`.
struct ValueField {
  const char* label;
  int labelWidth;
  int id;
  int valueWidth;
  std::string FlightDisplays::*text;
};

constexpr int kFirstValueX = 152;
constexpr int kMarkerWidth = 6;
constexpr int kFieldGap = 4;
const std::array<ValueField, 7> kValueFields = {{
    {"ALT", 14, 40002, 32, &FlightDisplays::altitude},
    {"HDG", 19, 40003, 22, &FlightDisplays::heading},
    {"TAS", 14, 40004, 28, &FlightDisplays::trueAirspeed},
    {"TIME REC", 34, 40005, 34, &FlightDisplays::recordedTime},
    {"GRND REM", 41, 40006, 30, &FlightDisplays::groundTimeLeft},
    {"FUEL REM", 36, 40007, 38, &FlightDisplays::fuelRemaining},
    {"OAT", 16, 1003, 26, &FlightDisplays::outsideAirTemp},
}};

}  // namespace

FlightWindow::FlightWindow(MainDialog* mainDialog, SimLink& link)
    : DialogBase(mainDialog, {kTemplateSize, true, true, TemplateFont()}),
      mainDialog(mainDialog),
      link(link),
      server(HandleOf(this)),
      recorder(*this, link, server),
      tray(CreateTrayIcon(this)) {
  BuildBar();
  BuildMenu();
  recordingTimer = new QTimer(this);
  recordingTimer->setObjectName("2");
  recordingTimer->setInterval(kRecordingTickMs);
  connect(recordingTimer, &QTimer::timeout, this, [this] { recorder.TimerTick(); });
  resumeReminder = new QTimer(this);
  resumeReminder->setObjectName("3");
  resumeReminder->setInterval(kReminderMs);
  connect(resumeReminder, &QTimer::timeout, this, &FlightWindow::RemindToResume);
  tray->SetMenu(menu);
  tray->onDoubleClick = [this] { Restore(); };
}

FlightWindow::~FlightWindow() {
  if (inTray) tray->Remove();
  link.Close();
}

void FlightWindow::BuildBar() {
  // The captions sit in the bar's height rather than under a title.
  for (const int id : {kLogoFirstId, kLogoSecondId}) {
    QLabel* caption = LogoCaption(id);
    caption->move(caption->x() - Units().X(3), (height() - caption->sizeHint().height()) / 2);
  }
  menuLabel = new QLabel("MENU", this);
  menuLabel->setObjectName(QString::number(kMenuLabelId));
  menuLabel->setGeometry(MenuHotArea());
  menuLabel->setAlignment(Qt::AlignCenter);
  menuLabel->setCursor(Qt::PointingHandCursor);
  SetTextColour(*menuLabel, kLogoBlue);

  light = AddLabel(kLightId, "", 140, 0, 8, kBarHeight);
  light->setAlignment(Qt::AlignCenter);
  SetStatusLight(RecorderArt::LightStopped, recorder.StatusText());

  int x = kFirstValueX;
  for (size_t i = 0; i < kValueFields.size(); ++i) {
    const ValueField& field = kValueFields[i];
    QLabel* marker = AddLabel(kNoId, "", x, 0, kMarkerWidth, kBarHeight);
    marker->setPixmap(FlightPicture(FlightArt::LabelMarker, QSize(marker->width(), marker->width())));
    marker->setAlignment(Qt::AlignCenter);
    x += kMarkerWidth;
    AddLabel(kNoId, field.label, x, 0, field.labelWidth, kBarHeight)->setAlignment(Qt::AlignVCenter);
    x += field.labelWidth;
    values[i] = AddLabel(field.id, "", x, 0, field.valueWidth, kBarHeight);
    values[i]->setAlignment(Qt::AlignVCenter);
    SetTextColour(*values[i], kValueColour);
    x += field.valueWidth + kFieldGap;
  }

  // On the bar only "MENU" shows the hand, and the button has no tip of its own.
  auto* chat = new ChatButton(this);
  chat->unsetCursor();
  chat->setToolTip(QString());
  chat->setScaledContents(true);
  Place(chat, 612, 0, 22, kBarHeight);
  connect(chat, &ChatButton::Clicked, this, [this] { RunCommand(FlightCommand::ShowChat); });

  auto* trayButton = new QToolButton(this);
  trayButton->setObjectName(QString::number(kTrayButtonId));
  trayButton->setAutoRaise(true);
  Place(trayButton, 664, 0, 12, kBarHeight);
  trayButton->setIconSize(QSize(trayButton->height() - 4, trayButton->height() - 4));
  trayButton->setIcon(QIcon(FlightPicture(FlightArt::TrayButton, trayButton->iconSize())));
  trayButton->setToolTip("Minimize to system tray");
  connect(trayButton, &QToolButton::clicked, this, &FlightWindow::GoToTray);
}

void FlightWindow::BuildMenu() {
  menu = new QMenu(this);
  menu->setObjectName("128");
  startItem = AddItem(*menu, "Start Flight", FlightCommand::StartFlight);
  endItem = AddItem(*menu, "End Flight/PIREP...", FlightCommand::EndFlight);
  endItem->setEnabled(false);
  flightPlanItem = AddItem(*menu, "Add Flightplan...", FlightCommand::FlightPlan);
  menu->addSeparator();
  AddItem(*menu, "Show Chat Window", FlightCommand::ShowChat);
  menu->addSeparator();
  QMenu* options = menu->addMenu("Options");
  onTopItem = AddItem(*options, "Always on top", FlightCommand::AlwaysOnTop);
  onTopItem->setCheckable(true);
  onlineItem = AddItem(*options, "Online mode", FlightCommand::OnlineMode);
  onlineItem->setCheckable(true);
  menu->addSeparator();
  AddItem(*menu, "Save/Continue Flight Later...", FlightCommand::SaveLater);
  // Added after every item the bar has always had, so none of them moves.
  menu->addSeparator();
  AddItem(*menu, "Show Track...", FlightCommand::ShowTrack);

  // Present only while the window is in the tray.
  restoreItem = new QAction("Restore", menu);
  Connect(restoreItem, FlightCommand::Restore);
  restoreSeparator = new QAction(menu);
  restoreSeparator->setSeparator(true);
}

// Every item runs its command when triggered, from the bar's menu and from
// the tray's alike.
QAction* FlightWindow::AddItem(QMenu& into, const char* text, int id) {
  QAction* item = into.addAction(text);
  Connect(item, id);
  return item;
}

void FlightWindow::Connect(QAction* item, int id) {
  item->setData(id);
  connect(item, &QAction::triggered, this, [this, id] { RunCommand(id); });
}

bool FlightWindow::SetFlightId(const std::string& flightId) {
  if (!recorder.SetFlightId(flightId)) return false;
  openFlightId = flightId;
  return true;
}

void FlightWindow::SetResumeMode(bool resume, bool valuesShown) {
  resumeMode = resume;
  resumeInfoShown = valuesShown;
  recorder.SetResumeMode(resume);
}

void FlightWindow::Run() {
  if (!Open() || closed) return;
  QEventLoop running;
  loop = &running;
  running.exec();
  loop = nullptr;
}

bool FlightWindow::Open() {
  create();
  if (!windowHandle()) {
    ShowMessageBox(HandleOf(mainDialog), "There was an error creating the flight window.", kProgramCaption,
                   MessageKind::Error);
    return false;
  }
  MoveToTopEdge();

  const uint32_t settings = Database(Handle()).ReadProgramSettings();
  const bool onTop = (settings & ProgramSettings::OnTop) != 0;
  onTopItem->setChecked(onTop);
  SetOnTop(onTop);
  const bool online = (settings & ProgramSettings::Online) != 0;
  onlineItem->setChecked(online);
  recorder.InitOnlineMode(online);

  if (resumeMode) startItem->setText("Resume Flight");
  trayIconId = recorder.TrayIconId();
  trayTip = recorder.StatusText();
  if (settings & ProgramSettings::Minimized) {
    GoToTray();
  } else {
    showNormal();
  }
  if (!resumeInfoShown) {
    ShowLastRecordedValues(this, link, openFlightId);
    resumeInfoShown = true;
  }
  if (resumeMode) resumeReminder->start();
  return true;
}

// The template centres the bar; it keeps that left edge at the top of the screen.
void FlightWindow::MoveToTopEdge() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  const QRect desktop = screen->geometry();
  move(desktop.left() + (desktop.width() - width()) / 2, desktop.top());
}

QRect FlightWindow::MenuHotArea() const {
  return QRect(QPoint(Units().X(kMenuLeft) + 1, Units().Y(0) + 1),
               QPoint(Units().X(kMenuRight) - 1, Units().Y(kBarHeight) - 1));
}

void FlightWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && MenuHotArea().contains(event->position().toPoint())) {
    const QRect label = menuLabel->geometry();
    ShowMenuAt(mapToGlobal(QPoint(label.left(), label.top() + label.height())));
    return;
  }
  DialogBase::mousePressEvent(event);
}

void FlightWindow::ShowMenuAt(const QPoint& globalPos) {
  RunPopupMenu(*menu, globalPos);
}

void FlightWindow::RunCommand(int id) {
  switch (id) {
    case FlightCommand::StartFlight:
      recorder.StartFlightCommand();
      break;
    case FlightCommand::EndFlight:
      recorder.EndFlight();
      break;
    case FlightCommand::SaveLater:
      recorder.SaveOrCancel();
      break;
    case FlightCommand::AlwaysOnTop:
      // The window's own state decides: a menu may have flipped the mark already.
      SetOnTop(!windowFlags().testFlag(Qt::WindowStaysOnTopHint));
      break;
    case FlightCommand::OnlineMode:
      ToggleOnline();
      break;
    case FlightCommand::Restore:
      Restore();
      break;
    case FlightCommand::FlightPlan:
      AddFlightPlan();
      break;
    case FlightCommand::ShowChat:
      if (mainDialog) mainDialog->RunCommand(MainCommand::Chat);
      break;
    case FlightCommand::ShowTrack:
      ShowTrack();
      break;
    default:
      break;
  }
}

void FlightWindow::SetOnTop(bool onTop) {
  onTopItem->setChecked(onTop);
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
  // Changing the flags takes the window down; it comes back where it was.
  const QPoint at = pos();
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  move(at);
  if (shown) show();
  if (onTop) raise();
}

void FlightWindow::ToggleOnline() {
  const bool online = !recorder.OnlineMode();
  onlineItem->setChecked(online);
  recorder.SetOnlineMode(online);
}

void FlightWindow::AddFlightPlan() {
  const std::string path = ChooseFlightPlanFile(Handle(), recorder.HasFlightPlan());
  if (!path.empty()) recorder.AttachFlightPlan(path);
}

void FlightWindow::ShowTrack() {
  if (!trackWindow) {
    Database(Handle()).ReadAvailableFlight(openFlightId, trackFlight);
    trackWindow = new TrackWindow(this);
  }
  RefreshTrack();
  trackWindow->show();
  trackWindow->raise();
}

// Redrawn only when the collector took a point or the aircraft landed.
void FlightWindow::RefreshTrack() {
  if (!trackWindow) return;
  const FlightTrack& shown = trackWindow->Drawing().Track();
  const bool landed = recorder.TempFlight().flightPhase == FlightPhase::Landed;
  if (!shown.legs.empty() && shown.PointCount() == recorder.Collector().Points().size() &&
      shown.legs.back().landed == landed)
    return;
  trackWindow->SetTrack(TrackOfRecording(trackFlight, recorder.TempFlight(), recorder.Collector().Points()));
}

void FlightWindow::GoToTray() {
  if (!tray->Available()) {
    // Hiding the bar with no tray to bring it back from would lose the flight.
    if (!noTraySaid) {
      noTraySaid = true;
      ShowMessageBox(Handle(), "This desktop has no system tray, so the flight window stays on the screen.",
                     kProgramCaption, MessageKind::Information);
    }
    showNormal();
    return;
  }
  tray->Show(FlightTrayIcon(trayIconId), QtText(trayTip));
  inTray = true;
  QAction* first = menu->actions().value(0);
  menu->insertActions(first, {restoreItem, restoreSeparator});
  hide();
  recorder.WentToTray();
}

void FlightWindow::Restore() {
  if (!inTray) return;
  menu->removeAction(restoreItem);
  menu->removeAction(restoreSeparator);
  showNormal();
  tray->Remove();
  inTray = false;
}

void FlightWindow::RemindToResume() {
  if (!AskToRemindAgain(Handle())) resumeReminder->stop();
}

void FlightWindow::reject() { RunCommand(FlightCommand::SaveLater); }

WindowHandle FlightWindow::Handle() { return HandleOf(this); }

void FlightWindow::SetStatusLight(int bitmap, const std::string& tooltip) {
  const int side = std::min(light->width(), light->height()) - 2;
  light->setPixmap(FlightPicture(bitmap, QSize(side, side)));
  light->setToolTip(QtText(tooltip));
}

void FlightWindow::SetStartFlightEnabled(bool enabled) { startItem->setEnabled(enabled); }

void FlightWindow::SetEndFlightEnabled(bool enabled) { endItem->setEnabled(enabled); }

void FlightWindow::SetFlightPlanItemText(const std::string& text) { flightPlanItem->setText(QtText(text)); }

void FlightWindow::ShowDisplays(const FlightDisplays& displays, int iconId, const std::string& tip) {
  for (size_t i = 0; i < kValueFields.size(); ++i) values[i]->setText(QtText(displays.*kValueFields[i].text));
  trayIconId = iconId;
  trayTip = tip;
  if (inTray) tray->Update(FlightTrayIcon(trayIconId), QtText(trayTip));
  RefreshTrack();
  update();
}

int FlightWindow::ShowFlightResults(const FlightResultTexts& texts) { return RunFlightResultDialog(this, texts); }

void FlightWindow::StartRecordingTimer() { recordingTimer->start(); }

void FlightWindow::StopRecordingTimer() { recordingTimer->stop(); }

void FlightWindow::StopResumeReminder() { resumeReminder->stop(); }

void FlightWindow::CloseWindow() {
  recordingTimer->stop();
  resumeReminder->stop();
  if (inTray) {
    tray->Remove();
    inTray = false;
  }
  if (mainDialog) mainDialog->show();
  hide();
  closed = true;
  if (loop) loop->quit();
}

}  // namespace kestrix::gui
