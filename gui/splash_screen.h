#pragma once

namespace kestrix::gui {

// Shows the splash screen without a parent; it closes itself after three seconds.
void ShowSplash();

}  // namespace kestrix::gui
