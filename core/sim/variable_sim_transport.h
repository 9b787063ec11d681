#pragma once

#include <memory>

#include "sim/sim_offset_table.h"
#include "sim/sim_transport.h"

namespace kestrix {

// A simulator reached through variables of its own rather than through the
// interface module. Every call waits at most `timeoutMs`.
class SimVariableSource {
 public:
  virtual ~SimVariableSource() = default;
  // Replied once a simulator of this kind answers; TimedOut when something
  // took the connection but stayed silent.
  virtual SendOutcome Connect(int timeoutMs) = 0;
  // Refreshes what the simulator reports; anything it does not report is left alone.
  virtual SendOutcome Fetch(SimVariables& variables, int timeoutMs) = 0;
  // Hands the changed variables (SimChange bits) to the simulator.
  virtual SendOutcome Apply(const SimVariables& variables, unsigned changes, int timeoutMs) = 0;
  virtual void Disconnect() = 0;
};

// Answers the link's blocks as the interface module would, from a source's
// variables encoded through the offset table. A source that fails is
// dropped and reached afresh on the next hand-over, so a simulator that
// restarts is picked up again.
std::unique_ptr<SimTransport> MakeVariableSimTransport(std::unique_ptr<SimVariableSource> source);

}  // namespace kestrix
