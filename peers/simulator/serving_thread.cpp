#include "serving_thread.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace kestrix {

bool ServingThread::Start(std::function<void()> serve) {
  if (running) return true;
  int wake[2];
  if (pipe2(wake, O_CLOEXEC) != 0) return false;
  wakeRead = wake[0];
  wakeWrite = wake[1];
  running = true;
  thread = std::thread(std::move(serve));
  return true;
}

void ServingThread::Stop() {
  if (!running) return;
  const char stop = 'q';
  (void)!write(wakeWrite, &stop, 1);
  thread.join();
  close(wakeRead);
  close(wakeWrite);
  wakeRead = wakeWrite = -1;
  running = false;
}

bool ServingThread::Wait(std::vector<pollfd>& waiting, int timeoutMs) {
  waiting.push_back({wakeRead, POLLIN, 0});
  const int ready = poll(waiting.data(), waiting.size(), timeoutMs);
  const bool woken = waiting.back().revents != 0;
  waiting.pop_back();
  if (ready < 0 && errno != EINTR) return false;
  if (ready <= 0)
    for (pollfd& entry : waiting) entry.revents = 0;
  return !woken;
}

}  // namespace kestrix
