#pragma once

#include <functional>

namespace kestrix {

// Answers whether the machine is on a network; a test installs its own.
using InternetStateProbe = std::function<bool()>;

// Replaces the probe; an empty one restores the system's answer.
void InstallInternetStateProbe(InternetStateProbe probe);

// Asked before every exchange with the airline's server.
bool IsInternetConnected();

// The system's answer: some interface other than loopback is up and running.
bool SystemHasNetworkInterface();

}  // namespace kestrix
