#pragma once

#include "gui/base/dialog_base.h"
#include "store/records.h"

class QLineEdit;
class QWidget;

namespace kestrix::gui {

inline constexpr int kPilotInfoVerified = 3;
inline constexpr int kPilotInfoCancelled = 1;

// The log-in dialog. "OK" has the server verify the user name and password
// and stores them with the pilot number it returns; any other way out cancels.
class PilotInfoDialog : public DialogBase {
  Q_OBJECT
 public:
  // Pre-filled with `info` when it has a user name.
  PilotInfoDialog(QWidget* owner, const PilotInfo& info);

  void accept() override;
  void reject() override;

 private:
  QLineEdit* userName;
  QLineEdit* password;
};

// The log-in dialog: with `edit` it shows the stored user name and password.
// 3 when the server verified the pilot and the details were stored, 1 when cancelled.
int RunPilotInfoDialog(QWidget* owner, bool edit);

}  // namespace kestrix::gui
