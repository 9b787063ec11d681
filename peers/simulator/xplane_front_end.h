#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "serving_thread.h"
#include "sim/xplane_datarefs.h"
#include "simulator_peer.h"

namespace kestrix {

// The stand-in simulator as X-Plane shows itself: UDP on loopback, streaming
// the subscribed datarefs from the flight model at their rates and after
// every change to the model (a step, an edit, a write), and taking dataref
// writes, pause commands and aircraft placements. The peer's faults show
// here as a simulator that sends nothing ("silent"), values with nonsense
// indices ("garbage") and datagrams cut short ("broken-records").
class XPlaneFrontEnd {
 public:
  explicit XPlaneFrontEnd(SimulatorPeer& peer);
  ~XPlaneFrontEnd();
  XPlaneFrontEnd(const XPlaneFrontEnd&) = delete;
  XPlaneFrontEnd& operator=(const XPlaneFrontEnd&) = delete;

  // Takes datagrams on 127.0.0.1:`port` (0 picks a free one); false with the reason.
  bool Start(int port, std::string* error = nullptr);
  // Forgets every subscription, as a simulator that quits.
  void Stop();
  int Port() const { return port; }
  // Announces this copy to `host`:`port` as X-Plane's beacon does.
  bool SendBeacon(const std::string& host, int port);

 private:
  using SteadyClock = std::chrono::steady_clock;
  struct Subscription {
    int32_t index = 0;
    size_t dataref = 0;
    int frequency = 1;
    SteadyClock::time_point due;
  };
  struct Client {
    sockaddr_in address{};
    std::vector<Subscription> subscriptions;
  };

  void Serve();
  void Handle(const std::string& datagram, const sockaddr_in& from);
  void Subscribe(const sockaddr_in& from, int32_t frequency, int32_t index, const std::string& path);
  void Write(const std::string& path, float value);
  // Sends every client its subscriptions that are due, or all of them.
  void SendValues(bool all);
  // How long until the next subscription is due; -1 for none.
  int MillisecondsToNext();

  SimulatorPeer& peer;
  int port = 0;
  // Guards the clients and the socket; held from reading the state to sending it.
  std::mutex sendMutex;
  int fd = -1;
  std::vector<Client> clients;
  XPlaneVelocity velocity;
  uint32_t noise = 0x9E3779B9;
  ServingThread serving;
};

}  // namespace kestrix
