#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/sim_link.h"
#include "simulator_peer.h"
#include "support/fake_clock.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {

// A stand-in simulator on a rendezvous of the test's own, and a link to it.
class SimFixture : public ::testing::Test {
 protected:
  void StartPeer(const std::string& windowClass = kSimWindowClass) {
    peer = std::make_unique<SimulatorPeer>(workDir.Path().string(), windowClass);
    std::string error;
    ASSERT_TRUE(peer->Start(&error)) << error;
  }

  void OpenLink() {
    int result = -1;
    ASSERT_TRUE(link.Open(result)) << "result " << result;
  }

  TempWorkDir workDir;
  ScopedFakeClock clock;
  SimLink link{MakePosixSimTransport(workDir.Path().string())};
  std::unique_ptr<SimulatorPeer> peer;
};

}  // namespace kestrix::test
