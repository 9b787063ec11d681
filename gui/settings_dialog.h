#pragma once

class QWidget;

namespace kestrix::gui {

// Edits the program's option bits; 3 after "Save" (word written), 1 after
// "Cancel", 0 when closed otherwise. The owner is disabled while it runs.
int RunSettingsDialog(QWidget* owner);

}  // namespace kestrix::gui
