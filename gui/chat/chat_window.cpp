#include "gui/chat/chat_window.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>

#include "gui/chat/chat_rich_text.h"
#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "store/database.h"

namespace kestrix::gui {

// The users list: one row per user in the engine's order, online users in
// green while the pilot is online too.
class ChatUsersModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  void SetUsers(std::vector<ChatUser> list, bool pilotOnline) {
    beginResetModel();
    users = std::move(list);
    showOnline = pilotOnline;
    endResetModel();
  }

  const ChatUser& UserAt(int row) const { return users[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(users.size());
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ChatUser& user = UserAt(index.row());
    switch (role) {
      case Qt::DisplayRole:
        return QtText(user.listLabel);
      case Qt::ForegroundRole:
        return user.online && showOnline ? QColor(12, 102, 0) : QColor(160, 160, 160);
      case Qt::BackgroundRole:
        return kLightColour;
      default:
        return {};
    }
  }

  QVariant headerData(int, Qt::Orientation, int role) const override {
    return role == Qt::DisplayRole ? QVariant("Users") : QVariant();
  }

 private:
  std::vector<ChatUser> users;
  bool showOnline = false;
};

namespace {

constexpr QSize kTemplateSize(418, 187);
constexpr int kPinPixels = 16;

constexpr const char* kAutoScrollChoices[] = {"None", "Received", "Sent", "Both"};

uint32_t SettingsBit(AutoScroll mode) {
  switch (mode) {
    case AutoScroll::None:
      return ProgramSettings::ChatScrollNone;
    case AutoScroll::Received:
      return ProgramSettings::ChatScrollReceived;
    case AutoScroll::Sent:
      return ProgramSettings::ChatScrollSent;
    case AutoScroll::Both:
      return ProgramSettings::ChatScrollBoth;
  }
  return 0;
}

// "None" wins over "Received", which wins over "Both"; without any, "Sent".
AutoScroll StoredAutoScroll(uint32_t settings) {
  if (settings & ProgramSettings::ChatScrollNone) return AutoScroll::None;
  if (settings & ProgramSettings::ChatScrollReceived) return AutoScroll::Received;
  if (settings & ProgramSettings::ChatScrollBoth) return AutoScroll::Both;
  return AutoScroll::Sent;
}

bool Follows(AutoScroll mode, const std::string& kind) {
  if (mode == AutoScroll::Both) return true;
  return kind == ChatLineKind::User ? mode == AutoScroll::Sent : mode == AutoScroll::Received;
}

// A pushpin: upright and blue when pinned, tilted and grey when not.
QPixmap PinPicture(bool pinned) {
  QPixmap picture(kPinPixels, kPinPixels);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(kPinPixels / 2.0, kPinPixels / 2.0);
  if (!pinned) painter.rotate(45);
  const QColor colour = pinned ? kLogoBlue : QColor(160, 160, 160);
  painter.setPen(QPen(colour, 1.2));
  painter.drawLine(QPointF(0, 1), QPointF(0, 7.5));
  painter.setBrush(colour);
  painter.drawRect(QRectF(-4.5, 0, 9, 1.5));
  painter.drawRoundedRect(QRectF(-2.5, -7, 5, 7), 1.5, 1.5);
  return picture;
}

}  // namespace

ChatWindow::ChatWindow(QWidget* owner)
    : DialogBase(owner, {kTemplateSize, false, false, ShellDialogFont(), true}),
      usersModel(new ChatUsersModel(this)),
      engine(std::make_unique<ChatEngine>(*this)) {
  setObjectName("171");
  setWindowTitle("Halvorn Chat");
  CreateControls();
  LayOut();

  ServerVariables variables;
  Database(HandleOf(this)).ReadServerVariables(variables);
  engine->LoadServerVariables(variables);
  engine->FetchUsers();
  FillUsersList();
  LoadSettings();
  input->setFocus();
}

ChatWindow::~ChatWindow() { engine.reset(); }

void ChatWindow::CreateControls() {
  users = new QListView(this);
  users->setObjectName(QString::number(ChatControl::Users));
  users->setModel(usersModel);
  users->setUniformItemSizes(true);
  users->setSelectionMode(QAbstractItemView::SingleSelection);
  users->setEditTriggers(QAbstractItemView::NoEditTriggers);
  users->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(users, &QListView::customContextMenuRequested, this, &ChatWindow::ShowUserMenu);

  pane = new QTextEdit(this);
  pane->setObjectName(QString::number(ChatControl::Pane));
  pane->setReadOnly(true);
  pane->setUndoRedoEnabled(false);  // a long conversation would keep every line twice
  QPalette panePalette = pane->palette();
  panePalette.setColor(QPalette::Base, kLightColour);
  panePalette.setColor(QPalette::Text, kDarkColour);
  pane->setPalette(panePalette);

  onlineButton = AddButton(ChatControl::OnlineButton, "Offline", 0, 0, 50, 14);
  connect(onlineButton, &QPushButton::clicked, this, &ChatWindow::ToggleOnline);
  hideButton = AddButton(ChatControl::HideWindow, "Hide Window", 0, 0, 50, 14);
  connect(hideButton, &QPushButton::clicked, this, &QWidget::hide);

  pin = new QToolButton(this);
  pin->setObjectName(QString::number(ChatControl::Pin));
  pin->setAutoRaise(true);
  pin->setIconSize(QSize(kPinPixels, kPinPixels));
  pin->setStyleSheet("QToolButton { border: none; padding: 0; }");  // just the picture, as a static bitmap
  pin->resize(kPinPixels, kPinPixels);
  connect(pin, &QToolButton::clicked, this, [this] { SetPinned(!pinned); });

  autoScrollLabel = AddLabel(ChatControl::AutoScrollLabel, "Auto-scroll Messages:", 0, 0, 0, 8);
  autoScrollLabel->resize(autoScrollLabel->sizeHint().width(), autoScrollLabel->height());
  autoScrollChoice = new QComboBox(this);
  autoScrollChoice->setObjectName(QString::number(ChatControl::AutoScroll));
  for (const char* choice : kAutoScrollChoices) autoScrollChoice->addItem(choice);
  autoScrollChoice->resize(Units().X(48), autoScrollChoice->sizeHint().height());

  input = new QLineEdit(this);
  input->setObjectName(QString::number(ChatControl::Input));
  input->setMaxLength(255);  // no more than a message can carry
  input->resize(input->width(), Units().Y(14));
  input->installEventFilter(this);
  sendButton = AddButton(ChatControl::Send, "Send", 0, 0, 36, 14);
  sendButton->setDefault(true);
  connect(sendButton, &QPushButton::clicked, this, &ChatWindow::SendInput);
  setMinimumSize(Units().X(200), Units().Y(100));
}

void ChatWindow::LoadSettings() {
  const uint32_t settings = Database(HandleOf(this)).ReadProgramSettings();
  autoScroll = StoredAutoScroll(settings);
  autoScrollChoice->setCurrentIndex(static_cast<int>(autoScroll));
  // Connected once the stored choice shows, so opening the window writes nothing.
  connect(autoScrollChoice, &QComboBox::currentIndexChanged, this, &ChatWindow::ChooseAutoScroll);
  SetPinned(settings & ProgramSettings::ChatOnTop);
  if (settings & ProgramSettings::ChatAvailable) {
    onlineButton->setText("Online");
    engine->GoOnline();
  }
}

bool ChatWindow::StartPolling() { return engine->StartWorker(); }

void ChatWindow::Open() {
  if (!engine->HasUsers()) {
    engine->FetchUsers();
    FillUsersList();
  }
  show();
  raise();
  activateWindow();
}

WindowHandle ChatWindow::Handle() { return HandleOf(this); }

void ChatWindow::AppendLine(const std::string& text, const std::string& kind) { Queue(Line{text, kind}); }
void ChatWindow::RefillUsers() { Queue(FillUsers{}); }
void ChatWindow::SetOnlineButtonText(const std::string& text) { Queue(ButtonText{text}); }
void ChatWindow::AlertIfInBackground() { Queue(Alert{}); }

// One queued run carries out every call made before it, so a poll's lines go
// into the pane in one edit.
void ChatWindow::Queue(ViewCall call) {
  bool first = false;
  {
    std::lock_guard lock(queueMutex);
    first = queued.empty();
    queued.push_back(std::move(call));
  }
  if (first) QMetaObject::invokeMethod(this, &ChatWindow::RunQueuedCalls, Qt::QueuedConnection);
}

void ChatWindow::RunQueuedCalls() {
  std::vector<ViewCall> calls;
  {
    std::lock_guard lock(queueMutex);
    calls.swap(queued);
  }
  std::vector<Line> lines;
  for (ViewCall& call : calls) {
    if (auto* line = std::get_if<Line>(&call)) {
      lines.push_back(std::move(*line));
      continue;
    }
    InsertLines(lines);
    lines.clear();
    if (std::holds_alternative<FillUsers>(call)) FillUsersList();
    if (auto* text = std::get_if<ButtonText>(&call)) onlineButton->setText(QtText(text->text));
    if (std::holds_alternative<Alert>(call) && !isActiveWindow()) QApplication::alert(this);
  }
  InsertLines(lines);
}

// Lines the pilot does not follow leave the view and the caret where they are.
void ChatWindow::InsertLines(const std::vector<Line>& lines) {
  if (lines.empty()) return;
  QScrollBar* bar = pane->verticalScrollBar();
  const int scrolled = bar->value();
  const QTextCursor caret = pane->textCursor();
  const int anchor = caret.anchor();
  const int position = caret.position();
  bool follow = false;
  QTextCursor end(pane->document());
  end.movePosition(QTextCursor::End);
  end.beginEditBlock();
  for (const Line& line : lines) {
    InsertRichText(end, ChatLineRichText(line.text, line.kind));
    follow = follow || Follows(autoScroll, line.kind);
  }
  end.endEditBlock();
  if (follow) {
    bar->setValue(bar->maximum());
    return;
  }
  if (pane->textCursor().anchor() != anchor || pane->textCursor().position() != position) {
    QTextCursor restored(pane->document());
    restored.setPosition(anchor);
    restored.setPosition(position, QTextCursor::KeepAnchor);
    pane->setTextCursor(restored);
  }
  bar->setValue(scrolled);
}

void ChatWindow::FillUsersList() {
  const int top = users->indexAt(QPoint(1, 1)).row();
  usersModel->SetUsers(engine->SortedUsers(), engine->Online());
  if (top >= 0 && usersModel->rowCount() > 0)
    users->scrollTo(usersModel->index(std::min(top, usersModel->rowCount() - 1)), QAbstractItemView::PositionAtTop);
}

void ChatWindow::SendInput() {
  const std::string text = CodePageText(input->text());
  if (!text.empty()) engine->Send(text);
  input->clear();
}

void ChatWindow::ToggleOnline() {
  if (engine->Online()) {
    onlineButton->setText("Offline");
    engine->GoOffline();
  } else {
    onlineButton->setText("Online");
    engine->GoOnline();
  }
  FillUsersList();
}

// The choice is the pilot's for this session only; the settings keep theirs.
void ChatWindow::SetPinned(bool on) {
  pinned = on;
  pin->setIcon(PinPicture(on));
  pin->setToolTip(on ? "Always on top." : "Not always on top.");
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (visible) show();  // changing the flags hides the window
  if (on) raise();
}

void ChatWindow::ChooseAutoScroll(int index) {
  autoScroll = static_cast<AutoScroll>(index);
  Database store(HandleOf(this));
  const uint32_t settings = store.ReadProgramSettings();
  store.WriteProgramSettings((settings & ~ProgramSettings::ChatScrollMask) | SettingsBit(autoScroll));
}

void ChatWindow::ShowUserMenu(const QPoint& position) {
  const QModelIndexList selected = users->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return;
  const ChatUser user = usersModel->UserAt(selected.front().row());
  QMenu menu(this);
  QAction* privateMessage = menu.addAction("Send private message to " + QtText(user.listLabel));
  if (menu.exec(users->viewport()->mapToGlobal(position)) != privateMessage) return;
  input->setText("@@PRIV" + QString::number(user.number) + ":");
  input->setFocus();
  input->end(false);
}

void ChatWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

void ChatWindow::resizeEvent(QResizeEvent* event) {
  DialogBase::resizeEvent(event);
  LayOut();
}

// Enter in the input sends, and goes no further: the default button would send again.
bool ChatWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == input && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      SendInput();
      return true;
    }
  }
  return DialogBase::eventFilter(watched, event);
}

// Controls keep their sizes and hold to the edges as the window is resized.
void ChatWindow::LayOut() {
  const int right = width();
  const int bottom = height();
  onlineButton->move(right - 205, 5);
  hideButton->move(right - hideButton->width() - 23, 5);
  pin->move(right - pin->width() - 7, 5);
  users->setGeometry(5, 33, 180, bottom - 93);
  pane->setGeometry(189, 33, right - 195, bottom - 93);
  autoScrollLabel->move(right - 192, bottom - 52);
  autoScrollChoice->move(right - autoScrollChoice->width() - 6, bottom - 55);
  input->setGeometry(5, bottom - input->height() - 6, right - 67, input->height());
  sendButton->move(right - sendButton->width() - 5, bottom - sendButton->height() - 6);
}

}  // namespace kestrix::gui
