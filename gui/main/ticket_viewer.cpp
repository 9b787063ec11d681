#include "gui/main/ticket_viewer.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "server/ticket.h"

namespace kestrix::gui {
namespace {

// Where the ticket is drawn, and the most of it that is shown.
constexpr QPoint kTicketOrigin(28, 40);
constexpr QSize kTicketArea(444, 400);

QString HintFor(bool showingFront) {
  return QString("Right-click to see ticket ") + (showingFront ? "back." : "front.");
}

}  // namespace

ViewTicketDialog::ViewTicketDialog(QWidget* owner, QImage front, QImage back)
    : DialogBase(owner, {QSize(333, 135), true, true, TemplateFont()}),
      front(std::move(front)),
      back(std::move(back)),
      hint(AddLabel(1006, HintFor(true), 170, 8, 100, 10)) {
  QPushButton* done = AddButton(1, "Done", 276, 5, 50, 14);
  done->setDefault(true);
  connect(done, &QPushButton::clicked, this, &ViewTicketDialog::accept);
}

void ViewTicketDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) return DialogBase::mousePressEvent(event);
  showingFront = !showingFront;
  hint->setText(HintFor(showingFront));
  update();
}

void ViewTicketDialog::paintEvent(QPaintEvent* event) {
  DialogBase::paintEvent(event);
  QPainter(this).drawImage(kTicketOrigin, showingFront ? front : back, QRect(QPoint(0, 0), kTicketArea));
}

QImage DecodeTicketSide(const std::string& bytes) {
  const QImage decoded = QImage::fromData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (decoded.isNull()) return {};
  // Transparent parts of a ticket show black.
  QImage opaque(decoded.size(), QImage::Format_RGB32);
  opaque.fill(Qt::black);
  QPainter(&opaque).drawImage(0, 0, decoded);
  return opaque;
}

bool ShowTicket(QWidget* owner, const std::string& flightId, const std::string& flightType) {
  ServerLink link{.owner = HandleOf(owner)};
  std::string front;
  std::string back;
  if (!FetchTicketImages(link, flightId, flightType, front, back)) return false;
  ViewTicketDialog dialog(owner, DecodeTicketSide(front), DecodeTicketSide(back));
  dialog.exec();
  return true;
}

}  // namespace kestrix::gui
