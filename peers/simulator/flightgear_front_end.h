#pragma once

#include <string>

#include "serving_thread.h"
#include "simulator_peer.h"

namespace kestrix {

// The stand-in simulator as FlightGear shows itself: a telnet props server
// on loopback answering `get` and `set` from the flight model. The peer's
// faults show here as a simulator that stops answering ("silent"),
// malformed values ("garbage") and replies cut short ("broken-records").
class FlightGearFrontEnd {
 public:
  explicit FlightGearFrontEnd(SimulatorPeer& peer) : peer(peer) {}
  ~FlightGearFrontEnd() { Stop(); }
  FlightGearFrontEnd(const FlightGearFrontEnd&) = delete;
  FlightGearFrontEnd& operator=(const FlightGearFrontEnd&) = delete;

  // Listens on 127.0.0.1:`port` (0 picks a free one); false with the reason.
  bool Start(int port, std::string* error = nullptr);
  void Stop() { serving.Stop(); }
  int Port() const { return port; }

 private:
  struct Client;
  void Serve(int listener);
  bool Answer(Client& client);
  std::string Reply(const std::string& line, bool dataMode);

  SimulatorPeer& peer;
  int port = 0;
  ServingThread serving;
};

}  // namespace kestrix
