#pragma once

#include <QLabel>

namespace kestrix::gui {

// The main dialog's chat button (control 40022): a picture that takes the
// mouse for itself and reports a click, with the hand cursor and its tooltip.
class ChatButton : public QLabel {
  Q_OBJECT
 public:
  explicit ChatButton(QWidget* parent);

 signals:
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace kestrix::gui
