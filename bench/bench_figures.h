#pragma once

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

}  // namespace kestrix::bench
