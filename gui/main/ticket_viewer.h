#pragma once

#include <QImage>

#include <string>

#include "gui/base/dialog_base.h"

class QLabel;
class QWidget;

namespace kestrix::gui {

// Both sides of a flight's ticket; a right click turns it over.
class ViewTicketDialog : public DialogBase {
  Q_OBJECT
 public:
  // A null image is a side that could not be fetched or decoded: nothing is drawn for it.
  ViewTicketDialog(QWidget* owner, QImage front, QImage back);

  bool ShowingFront() const { return showingFront; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage front;
  QImage back;
  bool showingFront = true;
  QLabel* hint;
};

// One side as the server sent it, on opaque black; null when the bytes are no image.
QImage DecodeTicketSide(const std::string& bytes);

// Downloads and shows both sides of the flight's ticket; false (and nothing
// shown) when the type has no ticket or the internet is not connected.
bool ShowTicket(QWidget* owner, const std::string& flightId, const std::string& flightType);

}  // namespace kestrix::gui
