#pragma once

#include <poll.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace kestrix {

// A thread that serves descriptors of its own until stopped. The serve
// function waits through Wait, which also watches a wake pipe, and returns
// once Wait says to stop; it closes its own descriptors itself.
class ServingThread {
 public:
  ServingThread() = default;
  ~ServingThread() { Stop(); }
  ServingThread(const ServingThread&) = delete;
  ServingThread& operator=(const ServingThread&) = delete;

  // False (errno set) when the wake pipe cannot be made; `serve` does not run then.
  bool Start(std::function<void()> serve);
  // Wakes the serve function and waits for it to return; harmless when not running.
  void Stop();
  bool Running() const { return running; }

  // Polls `waiting` (revents filled in) and the wake pipe for at most
  // `timeoutMs` (-1: no limit); false once Stop was asked.
  bool Wait(std::vector<pollfd>& waiting, int timeoutMs = -1);

 private:
  std::thread thread;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::atomic<bool> running{false};
};

}  // namespace kestrix
