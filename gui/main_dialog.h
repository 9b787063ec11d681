#pragma once

class QWidget;

namespace kestrix::gui {

// Runs the program's home window modally until the pilot leaves it.
void RunMainDialog();

}  // namespace kestrix::gui
