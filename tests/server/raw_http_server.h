#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace kestrix::test {

// A loopback listener that hands each accepted connection to a script, for
// faults a real HTTP server cannot be made to commit (silence, trickle, cuts).
class RawHttpServer {
 public:
  // Gets the connected socket; the connection closes when it returns.
  using Script = std::function<void(int socket, RawHttpServer& server)>;

  explicit RawHttpServer(Script script);
  ~RawHttpServer();
  RawHttpServer(const RawHttpServer&) = delete;
  RawHttpServer& operator=(const RawHttpServer&) = delete;

  std::string Host() const;  // "127.0.0.1:PORT"
  int Port() const { return port; }

  // Reads up to the end of the request head and remembers it.
  std::string ReadRequest(int socket);
  std::string LastRequest() const;
  static void SendAll(int socket, const std::string& bytes);
  // Sleeps in small slices; false once the server is being stopped.
  bool Wait(int milliseconds) const;

 private:
  void Serve();

  Script script;
  int listener = -1;
  int port = 0;
  std::atomic<bool> stopping{false};
  mutable std::mutex mutex;
  std::string lastRequest;
  std::thread thread;
};

// A complete 200 reply carrying `body`.
std::string HttpReply(const std::string& body);

}  // namespace kestrix::test
