#include "gui/chat/chat_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "gui/base/desktop_style.h"

namespace kestrix::gui {
namespace {

constexpr int kChatButtonId = 40022;
constexpr QSize kPictureSize(56, 24);

// A speech bubble with the word "CHAT", in the logo's blue on the dark body.
QPixmap ChatPicture() {
  QPixmap picture(kPictureSize);
  picture.fill(kDarkColour);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(1.5, 1.5, kPictureSize.width() - 3, kPictureSize.height() - 7), 5, 5);
  QPolygonF tail;
  tail << QPointF(10, kPictureSize.height() - 6) << QPointF(8, kPictureSize.height() - 1)
       << QPointF(17, kPictureSize.height() - 6);
  bubble.addPolygon(tail);
  painter.setPen(QPen(kLogoBlue, 1.5));
  painter.setBrush(QColor(45, 45, 45));
  painter.drawPath(bubble.simplified());
  QFont font = LogoFont();
  font.setPixelSize(11);
  painter.setFont(font);
  painter.drawText(QRect(0, 1, kPictureSize.width(), kPictureSize.height() - 6), Qt::AlignCenter, "CHAT");
  return picture;
}

}  // namespace

ChatButton::ChatButton(QWidget* parent) : QLabel(parent) {
  setObjectName(QString::number(kChatButtonId));
  setPixmap(ChatPicture());
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
  setToolTip("Open the chat window.");
}

void ChatButton::mousePressEvent(QMouseEvent* event) { event->accept(); }

void ChatButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
}

}  // namespace kestrix::gui
