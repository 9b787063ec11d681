#pragma once

namespace kestrix::gui {

// Installs the desktop's message boxes, progress dialog, web host, file
// chooser and pilot info dialog behind the core's seams; call once the
// QApplication exists.
void InstallDesktopServices();

}  // namespace kestrix::gui
