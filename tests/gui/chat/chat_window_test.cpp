#include "gui/chat/chat_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <thread>

#include "gui/chat/chat_button.h"
#include "gui/main/main_dialog.h"
#include "gui/base/window_handle.h"
#include "server/airline_fixture.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace kestrix::gui {
namespace {

using namespace ProgramSettings;

const QColor kGrey(140, 140, 140);
const QColor kOnlineGreen(12, 102, 0);
const QColor kOfflineGrey(160, 160, 160);

// A conversation line as the pane shows it.
struct PaneLine {
  QString text;
  QColor colour;
  bool rule;
};

void Settle() { QCoreApplication::processEvents(); }

class ChatWindowTest : public test::AirlineFixture {
 protected:
  void SetUp() override {
    AirlineFixture::SetUp();
    airline.State().AddPilot({"ann", "pw", "7", "Ann Lee", false});
    airline.State().AddPilot({"bob", "pw", "42", "Bob Ray", false});
    airline.State().AddPilot({"cy", "pw", "99", "Cy Dee", false});
  }

  // The window as it opens on these stored settings.
  void Open(uint32_t settings) {
    Database().WriteProgramSettings(settings);
    window = std::make_unique<ChatWindow>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    Settle();
  }

  template <class T>
  T* Control(int id) {
    return window->findChild<T*>(QString::number(id));
  }
  QTextEdit* Pane() { return Control<QTextEdit>(ChatControl::Pane); }
  QListView* Users() { return Control<QListView>(ChatControl::Users); }
  QLineEdit* Input() { return Control<QLineEdit>(ChatControl::Input); }

  // Every line of the pane; the paragraph after the last line is empty.
  std::vector<PaneLine> Lines() {
    std::vector<PaneLine> lines;
    for (QTextBlock block = Pane()->document()->begin(); block.next().isValid(); block = block.next()) {
      const QTextFragment fragment = block.begin().fragment();
      EXPECT_FALSE(fragment.charFormat().isAnchor());
      lines.push_back({block.text(), fragment.charFormat().foreground().color(),
                       block.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)});
    }
    EXPECT_TRUE(Pane()->document()->lastBlock().text().isEmpty());
    return lines;
  }

  std::vector<std::string> UserLabels() {
    std::vector<std::string> labels;
    for (int row = 0; row < Users()->model()->rowCount(); ++row)
      labels.push_back(Users()->model()->index(row, 0).data().toString().toStdString());
    return labels;
  }

  QColor UserColour(int row, int role = Qt::ForegroundRole) {
    return Users()->model()->index(row, 0).data(role).value<QColor>();
  }

  void Poll() {
    window->Engine().PollOnce();
    Settle();
  }

  std::unique_ptr<ChatWindow> window;
};

TEST_F(ChatWindowTest, WindowOpensAsItsTemplateSays) {
  Open(ChatScrollReceived);
  EXPECT_EQ(window->windowTitle(), "Halvorn Chat");
  EXPECT_FALSE(window->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_NE(window->minimumSize(), window->maximumSize());
  EXPECT_TRUE(Pane()->isReadOnly());
  EXPECT_EQ(Pane()->palette().color(QPalette::Base), QColor(200, 200, 200));
  EXPECT_EQ(Pane()->palette().color(QPalette::Text), QColor(30, 30, 30));
  EXPECT_EQ(Control<QPushButton>(ChatControl::OnlineButton)->text(), "Offline");
  EXPECT_EQ(Control<QPushButton>(ChatControl::HideWindow)->text(), "Hide Window");
  EXPECT_TRUE(Control<QPushButton>(ChatControl::Send)->isDefault());
  QComboBox* choice = Control<QComboBox>(ChatControl::AutoScroll);
  ASSERT_EQ(choice->count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(choice->itemText(i), QStringList({"None", "Received", "Sent", "Both"})[i]);
  EXPECT_EQ(window->focusWidget(), Input());

  // The controls hold to the edges as the window grows.
  const QRect paneBefore = Pane()->geometry();
  const QPoint sendBefore = Control<QPushButton>(ChatControl::Send)->pos();
  window->resize(window->width() + 100, window->height() + 50);
  Settle();
  EXPECT_EQ(Pane()->geometry(), paneBefore.adjusted(0, 0, 100, 50));
  EXPECT_EQ(Control<QPushButton>(ChatControl::Send)->pos(), sendBefore + QPoint(100, 50));
  EXPECT_EQ(Users()->geometry(), QRect(5, 33, 180, window->height() - 93));

  // Closing and "Hide Window" only hide it.
  window->close();
  EXPECT_FALSE(window->isVisible());
  window->show();
  QTest::mouseClick(Control<QPushButton>(ChatControl::HideWindow), Qt::LeftButton);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(ChatWindowTest, EachKindHasItsColourAndNoLineARuleUnderIt) {
  Open(ChatScrollNone);
  const struct {
    const char* kind;
    QColor colour;
  } kinds[] = {
      {"admin", QColor(176, 84, 0)}, {"user", QColor(4, 38, 176)}, {"received", QColor(58, 90, 94)},
      {"private", QColor(97, 95, 3)}, {"notify", kGrey}, {"", kGrey},
  };
  for (const auto& line : kinds) window->AppendLine(std::string("a line of kind ") + line.kind, line.kind);
  Settle();
  const std::vector<PaneLine> lines = Lines();
  ASSERT_EQ(lines.size(), std::size(kinds));
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].text, QString("a line of kind ") + kinds[i].kind);
    EXPECT_EQ(lines[i].colour, kinds[i].colour) << kinds[i].kind;
    EXPECT_FALSE(lines[i].rule) << kinds[i].kind;
  }
}

TEST_F(ChatWindowTest, HostileMessagesAppearLiterally) {
  Open(ChatScrollNone);
  const std::string hostile[] = {
      "}\\par{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\cf1 fake admin\\par}",
      "\\\\ back\\slashes \\",
      "{\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}{\\fldrslt click me}}",
      "<a href=\"http://example.com\">link</a><img src=x><b>bold</b>",
      "caf\xe9 \xfc\xff",
      "7 starts with a digit",
      std::string(10000, 'x') + "}{\\",
  };
  for (const std::string& text : hostile) window->AppendLine("HV7 Ann Lee: " + text, "received");
  Settle();
  const std::vector<PaneLine> lines = Lines();
  ASSERT_EQ(lines.size(), std::size(hostile));
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].text, QString::fromLatin1("HV7 Ann Lee: " + hostile[i]));
    EXPECT_EQ(lines[i].colour, QColor(58, 90, 94));
  }
}

TEST_F(ChatWindowTest, UsersListOnlineFirstInGreenWhileThePilotIsOnline) {
  Open(ChatAvailable | ChatScrollNone);
  EXPECT_EQ(Control<QPushButton>(ChatControl::OnlineButton)->text(), "Online");
  const std::vector<std::string> byNumber = {"HV1 Halvorn Operations", "HV7 Ann Lee", "HV42 Bob Ray", "HV99 Cy Dee",
                                             "HV1234 John Doe"};
  EXPECT_EQ(UserLabels(), byNumber);
  airline.State().SetChatOnline(99, true);
  Poll();
  // The pilot's own poll marks him online on the server.
  EXPECT_EQ(UserLabels(), (std::vector<std::string>{"HV99 Cy Dee", "HV1234 John Doe", "HV1 Halvorn Operations",
                                                    "HV7 Ann Lee", "HV42 Bob Ray"}));
  const QColor online[] = {kOnlineGreen, kOnlineGreen, kOfflineGrey, kOfflineGrey, kOfflineGrey};
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(UserColour(row), online[row]) << row;
    EXPECT_EQ(UserColour(row, Qt::BackgroundRole), QColor(200, 200, 200)) << row;
  }

  QTest::mouseClick(Control<QPushButton>(ChatControl::OnlineButton), Qt::LeftButton);
  EXPECT_EQ(Control<QPushButton>(ChatControl::OnlineButton)->text(), "Offline");
  EXPECT_FALSE(window->Engine().Online());
  EXPECT_EQ(UserLabels(), byNumber);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(UserColour(row), kOfflineGrey) << row;
  const auto presence = RequestsTo(airline::Route::ChatPresence);
  ASSERT_EQ(presence.size(), 2u);
  EXPECT_EQ(presence[0].values, (std::vector<std::string>{kPilotNumber, "1"}));
  EXPECT_EQ(presence[1].values, (std::vector<std::string>{kPilotNumber, "0"}));
}

TEST_F(ChatWindowTest, PrivateMessageIsAddressedFromTheUsersList) {
  Open(ChatScrollNone);
  QListView* users = Users();
  const QPoint row = users->visualRect(users->model()->index(2, 0)).center();
  QStringList shown;
  // Right-clicks the row; a menu that opens is answered with its first item.
  const auto rightClick = [&] {
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* action : menu->actions()) shown << action->text();
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[0]).center());
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, row, users->viewport()->mapToGlobal(row));
    QApplication::sendEvent(users->viewport(), &event);
    Settle();
  };

  rightClick();
  EXPECT_TRUE(shown.isEmpty()) << "no menu without a selected row";
  QTest::mouseClick(users->viewport(), Qt::LeftButton, {}, row);
  rightClick();
  EXPECT_EQ(shown, QStringList{"Send private message to HV42 Bob Ray"});
  EXPECT_EQ(Input()->text(), "@@PRIV42:");
  EXPECT_EQ(Input()->cursorPosition(), 9);
  EXPECT_EQ(window->focusWidget(), Input());
}

TEST_F(ChatWindowTest, PinningTwiceReturnsToTheStartWithoutStoringIt) {
  for (const uint32_t settings : {ChatScrollNone, ChatScrollNone | ChatOnTop}) {
    Open(settings);
    const bool pinnedAtStart = settings & ChatOnTop;
    QToolButton* pin = Control<QToolButton>(ChatControl::Pin);
    const QImage startPicture = pin->icon().pixmap(16).toImage();
    for (int click = 0; click < 3; ++click) {
      const bool pinned = pinnedAtStart != (click % 2 == 1);
      EXPECT_EQ(window->Pinned(), pinned) << settings << " click " << click;
      EXPECT_EQ(bool(window->windowFlags() & Qt::WindowStaysOnTopHint), pinned);
      EXPECT_EQ(pin->toolTip(), pinned ? "Always on top." : "Not always on top.");
      EXPECT_EQ(pin->icon().pixmap(16).toImage() == startPicture, pinned == pinnedAtStart);
      EXPECT_TRUE(window->isVisible());
      if (click < 2) QTest::mouseClick(pin, Qt::LeftButton);
    }
    EXPECT_EQ(Database().ReadProgramSettings(), settings);
  }
}

TEST_F(ChatWindowTest, AutoScrollChoiceIsStoredAndDecidesWhichLinesThePaneFollows) {
  const struct {
    uint32_t stored;
    const char* shown;
  } opening[] = {
      {ChatScrollNone | ChatScrollReceived, "None"}, {ChatScrollReceived | ChatScrollBoth, "Received"},
      {ChatScrollBoth, "Both"}, {ChatScrollSent, "Sent"}, {0, "Sent"},
  };
  for (const auto& [stored, shown] : opening) {
    Open(stored | ChatOnTop);
    EXPECT_EQ(Control<QComboBox>(ChatControl::AutoScroll)->currentText(), shown) << stored;
  }

  const struct {
    AutoScroll mode;
    uint32_t bit;
    bool followsReceived;
    bool followsOwn;
  } modes[] = {
      {AutoScroll::None, ChatScrollNone, false, false},
      {AutoScroll::Received, ChatScrollReceived, true, false},
      {AutoScroll::Sent, ChatScrollSent, false, true},
      {AutoScroll::Both, ChatScrollBoth, true, true},
  };
  for (int i = 0; i < 200; ++i) window->AppendLine("filler " + std::to_string(i), "notify");
  Settle();
  QScrollBar* bar = Pane()->verticalScrollBar();
  for (const auto& mode : modes) {
    Control<QComboBox>(ChatControl::AutoScroll)->setCurrentIndex(static_cast<int>(mode.mode));
    EXPECT_EQ(Database().ReadProgramSettings(), ChatOnTop | mode.bit);
    for (const auto& [kind, follows] : {std::pair{"received", mode.followsReceived}, std::pair{"user", mode.followsOwn}}) {
      bar->setValue(bar->maximum() / 2);
      // A caret at the very end is where new text would carry it along.
      QTextCursor caret(Pane()->document());
      caret.movePosition(QTextCursor::End);
      Pane()->setTextCursor(caret);
      const int before = bar->value();
      const int caretBefore = caret.position();
      window->AppendLine("a new line", kind);
      Settle();
      const int end = Pane()->document()->characterCount() - 1;
      EXPECT_EQ(bar->value(), follows ? bar->maximum() : before) << static_cast<int>(mode.mode) << " " << kind;
      EXPECT_EQ(Pane()->textCursor().position(), follows ? end : caretBefore) << static_cast<int>(mode.mode) << " " << kind;
    }
  }
}

TEST_F(ChatWindowTest, EnterSendsTheInputAndEmptiesIt) {
  Open(ChatAvailable | ChatScrollNone);
  const struct {
    const char* typed;
    const char* echo;  // nullptr: nothing is sent
  } cases[] = {
      {"hello all", "hello all"},
      {"@@PRIV42:hi Bob", "Private message sent to HV42: hi Bob"},
      {"", nullptr},
  };
  size_t echoes = 0;
  for (const auto& [typed, echo] : cases) {
    QTest::keyClicks(Input(), typed);
    QTest::keyClick(Input(), Qt::Key_Return);
    Settle();
    EXPECT_TRUE(Input()->text().isEmpty()) << typed;
    if (echo) ++echoes;
    const std::vector<PaneLine> lines = Lines();
    ASSERT_EQ(lines.size(), echoes) << typed;
    if (echo) {
      EXPECT_EQ(lines.back().text, echo);
      EXPECT_EQ(lines.back().colour, kGrey);
    }
  }
  Poll();
  const auto events = airline.State().ChatEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].text, "hello all");
  EXPECT_EQ(events[1].kind, "private");
  EXPECT_EQ(events[1].to, 42);
  EXPECT_EQ(events[1].text, "hi Bob");
}

TEST_F(ChatWindowTest, LinesFromTheWorkerArriveInTheOrderTheyWereMade) {
  Open(ChatAvailable | ChatScrollBoth);
  Poll();  // the first reply only sets the time stamp and who is online
  for (int i = 0; i < 30; ++i) airline.State().PostChat("message", 7, 0, "message " + std::to_string(i));
  std::thread poller([&] { window->Engine().PollOnce(); });
  std::thread other([&] {
    for (int i = 0; i < 300; ++i) {
      window->AppendLine("line " + std::to_string(i), "notify");
      if (i % 50 == 0) window->RefillUsers();
    }
  });
  poller.join();
  other.join();
  Settle();
  std::vector<QString> received, others;
  for (const PaneLine& line : Lines()) (line.text.startsWith("line ") ? others : received).push_back(line.text);
  ASSERT_EQ(received.size(), 30u);
  ASSERT_EQ(others.size(), 300u);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(received[i], "HV7 Ann Lee: message " + QString::number(i));
  for (int i = 0; i < 300; ++i) EXPECT_EQ(others[i], "line " + QString::number(i));
  EXPECT_EQ(Pane()->verticalScrollBar()->value(), Pane()->verticalScrollBar()->maximum());
}

class ChatButtonTest : public ChatWindowTest {
 protected:
  void SetOnline(bool online) {
    InstallInternetStateProbe([online] { return online; });
  }
  ChatWindow* ChatOf(MainDialog& dialog) { return dialog.findChild<ChatWindow*>(); }
};

TEST_F(ChatButtonTest, ChatButtonOpensTheChatWindowOnlyWithInternet) {
  // The pilot stays offline in the chat: the worker does not poll during the test.
  Database().WriteProgramSettings(ChatScrollNone);
  {
    MainDialog dialog;
    dialog.show();
    ChatWindow* chat = ChatOf(dialog);
    ASSERT_NE(chat, nullptr);
    EXPECT_FALSE(chat->isVisible());
    QTest::mouseClick(dialog.findChild<ChatButton*>("40022"), Qt::LeftButton);
    EXPECT_TRUE(chat->isVisible());
    EXPECT_EQ(RequestsTo(airline::Route::ChatUsers).size(), 1u);
  }

  // Offline at opening there are no users yet: the command fetches them.
  SetOnline(false);
  MainDialog dialog;
  dialog.show();
  ChatWindow* chat = ChatOf(dialog);
  EXPECT_EQ(chat->findChild<QListView*>("40004")->model()->rowCount(), 0);
  SetOnline(true);
  dialog.RunCommand(MainCommand::Chat);
  EXPECT_TRUE(chat->isVisible());
  EXPECT_EQ(chat->findChild<QListView*>("40004")->model()->rowCount(), 5);
  EXPECT_TRUE(boxes.Shown().empty());

  chat->hide();
  SetOnline(false);
  dialog.RunCommand(MainCommand::Chat);
  EXPECT_FALSE(chat->isVisible());
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, "You need to be connected to the internet to use chat.");
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
  EXPECT_EQ(boxes.Shown()[0].owner, HandleOf(&dialog));
}

}  // namespace
}  // namespace kestrix::gui
