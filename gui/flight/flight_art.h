#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace kestrix::gui {

// Pictures of the flight window that are not the recorder's: the tray
// button and the small marker in front of each value's label.
namespace FlightArt {
inline constexpr int TrayButton = 148;
inline constexpr int LabelMarker = 149;
}  // namespace FlightArt

// The flight window's pictures by resource id, drawn at `size`: the status
// lights (RecorderArt 132 to 134), the tray icons (144 to 146) and the
// FlightArt pictures. A light tells recording (green) from not recording
// (amber) and from not started (red, grey in the tray).
QPixmap FlightPicture(int id, QSize size);
QIcon FlightTrayIcon(int id);

}  // namespace kestrix::gui
