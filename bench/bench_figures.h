#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace kestrix::bench {

// Wall-clock seconds that `body` takes.
template <typename Body>
double Seconds(Body&& body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One "name: value" line, the form every benchmark prints.
inline void Print(const std::string& name, double value) { std::printf("%s: %.4f\n", name.c_str(), value); }

// Peak resident megabytes of a forked child that runs `body` (true when it
// succeeded) and exits; -1 when it failed. The child starts out with the
// parent's pages, so call it while the parent is still small.
template <typename Body>
double ChildPeakRssMb(Body&& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace kestrix::bench
