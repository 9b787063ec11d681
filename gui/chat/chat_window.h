#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "chat/chat_engine.h"
#include "gui/base/dialog_base.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTextEdit;
class QToolButton;

namespace kestrix::gui {

class ChatUsersModel;

// Control ids of the chat window.
namespace ChatControl {
inline constexpr int Input = 40000;
inline constexpr int Send = 40001;
inline constexpr int Pane = 40002;
inline constexpr int Users = 40004;
inline constexpr int OnlineButton = 40005;
inline constexpr int Pin = 40023;
inline constexpr int AutoScroll = 40024;
inline constexpr int AutoScrollLabel = 40025;
inline constexpr int HideWindow = 2;
}  // namespace ChatControl

// When the conversation follows new lines, in the order the choice lists them.
enum class AutoScroll { None, Received, Sent, Both };

// The chat window: the conversation, the pilots, and the pilot's commands to
// the chat engine it owns. Created hidden; closing it only hides it.
class ChatWindow : public DialogBase, public ChatView {
  Q_OBJECT
 public:
  // Reads the server variables and the settings, fetches the users and goes
  // online when the settings say so; polling starts with StartPolling.
  explicit ChatWindow(QWidget* owner = nullptr);
  // The engine and its worker go first: nothing may reach a half-destroyed window.
  ~ChatWindow() override;

  ChatEngine& Engine() { return *engine; }
  // Starts the worker; false when another chat polls already.
  bool StartPolling();
  // The chat button: fetches the users if none are known, then shows the window on top.
  void Open();
  AutoScroll AutoScrollMode() const { return autoScroll; }
  bool Pinned() const { return pinned; }

  // The engine's calls, from any thread: queued to this window's thread and
  // carried out there in the order they were made.
  WindowHandle Handle() override;
  void AppendLine(const std::string& text, const std::string& kind) override;
  void RefillUsers() override;
  void SetOnlineButtonText(const std::string& text) override;
  void AlertIfInBackground() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Line {
    std::string text;
    std::string kind;
  };
  struct FillUsers {};
  struct ButtonText {
    std::string text;
  };
  struct Alert {};
  using ViewCall = std::variant<Line, FillUsers, ButtonText, Alert>;

  void CreateControls();
  void LoadSettings();
  void Queue(ViewCall call);
  void RunQueuedCalls();
  void InsertLines(const std::vector<Line>& lines);
  void FillUsersList();
  void SendInput();
  void ToggleOnline();
  void SetPinned(bool on);
  void ChooseAutoScroll(int index);
  void ShowUserMenu(const QPoint& position);
  void LayOut();

  QListView* users;
  ChatUsersModel* usersModel;
  QTextEdit* pane;
  QPushButton* onlineButton;
  QPushButton* hideButton;
  QToolButton* pin;
  QLabel* autoScrollLabel;
  QComboBox* autoScrollChoice;
  QLineEdit* input;
  QPushButton* sendButton;

  AutoScroll autoScroll = AutoScroll::Sent;
  bool pinned = false;

  std::mutex queueMutex;
  std::vector<ViewCall> queued;

  std::unique_ptr<ChatEngine> engine;
};

}  // namespace kestrix::gui
