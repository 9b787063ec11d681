#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "airline/airline_state.h"
#include "airline/faults.h"

namespace kestrix::airline {

// The stand-in airline web server: plain HTTP on 127.0.0.1, every request a GET
// whose raw target carries the whole request.
class AirlineServer {
 public:
  AirlineServer();
  ~AirlineServer();
  AirlineServer(const AirlineServer&) = delete;
  AirlineServer& operator=(const AirlineServer&) = delete;

  // Listens on 127.0.0.1:port (0 = any free port) on a thread of its own, and
  // publishes its own address as the server variable "server". False when the
  // port cannot be bound.
  bool Start(int port = 0);
  void Stop();  // also releases requests held by slow or silent faults
  int Port() const;
  std::string Host() const;  // "127.0.0.1:PORT"

  AirlineState& State();
  FaultSwitch& Faults();

 private:
  class Http;
  AirlineState state;
  FaultSwitch faults;
  std::unique_ptr<Http> http;
  int boundPort = 0;
};

}  // namespace kestrix::airline
