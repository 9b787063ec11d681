#pragma once

class QWidget;

namespace kestrix::gui {

// The about box with the program's version texts, modal towards `owner`.
void RunAboutBox(QWidget* owner);

}  // namespace kestrix::gui
