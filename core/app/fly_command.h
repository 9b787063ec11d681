#pragma once

#include <string>

#include "platform/message_box.h"
#include "sim/sim_link.h"

namespace kestrix {

// What "Fly Selected Flight" settled before the flight window opens.
struct FlyPreparation {
  bool go = false;      // false: a message has told the pilot why not
  bool resume = false;  // a saved temporary flight of this flight exists
};

// Reads the flight, refuses an expired one, opens the simulator link and
// finds out whether the flight is resumed; each refusal shows its message.
FlyPreparation PrepareFlight(WindowHandle owner, const std::string& flightId, SimLink& link);

}  // namespace kestrix
