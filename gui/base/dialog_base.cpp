#include "gui/base/dialog_base.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include "gui/base/desktop_style.h"
#include "platform/message_box.h"

namespace kestrix::gui {

namespace {

QLabel* MakeLogoCaption(QWidget* parent, int id, const char* text, const QColor& colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::number(id));
  label->setFont(LogoFont());
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

// A caption bar without a system menu: no window buttons, as the template has it.
Qt::WindowFlags FrameFlags(bool captionBar) {
  if (captionBar) return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  return Qt::Dialog | Qt::FramelessWindowHint;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int alphabet = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  baseX = (alphabet / 26 + 1) / 2;
  baseY = metrics.height();
}

int DialogUnits::X(int units) const { return (units * baseX + 2) / 4; }
int DialogUnits::Y(int units) const { return (units * baseY + 4) / 8; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(QSize units) const { return QSize(X(units.width()), Y(units.height())); }

DialogBase::DialogBase(QWidget* parent, const DialogTemplate& layout)
    : QDialog(parent, FrameFlags(layout.captionBar)),
      units(layout.font),
      dragByBody(layout.dragByBody),
      captionBar(layout.captionBar) {
  setWindowTitle(kProgramCaption);
  setFont(layout.font);
  ApplyDarkScheme(*this);
  // A sizing border lets the pilot resize; the template size is where it starts.
  if (captionBar)
    resize(units.Size(layout.sizeInUnits));
  else
    setFixedSize(units.Size(layout.sizeInUnits));
  if (layout.logoCaptions) {
    MakeLogoCaption(this, kLogoFirstId, "KESTRIX", kLightColour)->move(units.X(7), units.Y(4));
    QLabel* second = MakeLogoCaption(this, kLogoSecondId, "HALVORN", kLogoBlue);
    second->move(units.X(7) + LogoCaption(kLogoFirstId)->sizeHint().width() + units.X(2), units.Y(4));
  }
}

void DialogBase::Place(QWidget* control, int x, int y, int width, int height) const {
  control->setGeometry(units.Rect(x, y, width, height).translated(0, bodyTop));
}

void DialogBase::SetMenuBar(QMenuBar* bar) {
  bar->setParent(this);
  // Menus keep the desktop's own light colours, not the dialog's dark scheme.
  QPalette desktop = QApplication::palette(bar);
  desktop.setResolveMask(~QPalette::ResolveMask(0));  // every role set, none inherited from the dialog
  bar->setPalette(desktop);
  bar->setAutoFillBackground(true);
  const int height = bar->sizeHint().height();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child != bar && !child->isWindow()) child->move(child->x(), child->y() + height);
  bodyTop += height;
  setFixedSize(width(), this->height() + height);
  bar->setGeometry(0, 0, width(), height);
}

QPushButton* DialogBase::AddButton(int id, const QString& text, int x, int y, int width, int height) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QString::number(id));
  Place(button, x, y, width, height);
  return button;
}

QLabel* DialogBase::AddLabel(int id, const QString& text, int x, int y, int width, int height) {
  auto* label = new QLabel(text, this);
  if (id != kNoId) label->setObjectName(QString::number(id));
  Place(label, x, y, width, height);
  return label;
}

void DialogBase::ShowAndPaint() {
  show();
  // Lets the window system map the window; user input waits for the caller.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

QLabel* DialogBase::LogoCaption(int id) const { return findChild<QLabel*>(QString::number(id)); }

void DialogBase::mousePressEvent(QMouseEvent* event) {
  if (!dragByBody || event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
  // A desktop that moves windows itself does it best; elsewhere follow the mouse.
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  dragging = true;
  dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void DialogBase::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging) return QDialog::mouseMoveEvent(event);
  move(event->globalPosition().toPoint() - dragOffset);
}

void DialogBase::mouseReleaseEvent(QMouseEvent* event) {
  dragging = false;
  QDialog::mouseReleaseEvent(event);
}

void DialogBase::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  if (captionBar) return;  // the window system draws the frame
  // The thin raised frame of a borderless dialog.
  QPainter painter(this);
  painter.setPen(QColor(90, 90, 90));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace kestrix::gui
