#pragma once

#include "platform/message_box.h"

namespace kestrix {

// "Check for Updates...": true when the updater has been started and the
// program is to end so that it can replace it.
bool CheckForUpdates(WindowHandle owner);

// "Refresh Server Data": downloads the server variables and says how it went.
void RefreshServerData(WindowHandle owner);

// "Reset Database...": asks, then rebuilds the store keeping the pilot's
// identity, the server variables and the removed flights. True when the
// store was rebuilt and the flights are to be downloaded again.
bool ResetDatabase(WindowHandle owner);

}  // namespace kestrix
