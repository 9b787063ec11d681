#pragma once

class QWidget;

namespace kestrix::gui {

inline constexpr int kPilotInfoVerified = 3;
inline constexpr int kPilotInfoCancelled = 1;

// The log-in dialog: with `edit` it shows the stored user name and password.
// 3 when the server verified the pilot and the details were stored, 1 when cancelled.
int RunPilotInfoDialog(QWidget* owner, bool edit);

}  // namespace kestrix::gui
