#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "airline/airline_server.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "server/http_engine.h"
#include "support/fake_clock.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {

// A clean working folder with a lock folder of its own, and the stand-in
// airline, which knows the pilot jdoe / s3cret (pilot number 1234).
class StartupFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KESTRIX_LOCK_DIR", work.Path().c_str(), 1);
    ASSERT_TRUE(airline.Start());
    airline.State().AddPilot({"jdoe", "s3cret", "1234", "John Doe", false});
    SetServerVariablesHost(airline.Host());
    SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 2000, .receiveMs = 2000});
    SetOnline(true);
  }
  void TearDown() override {
    InstallPilotInfoDialog(nullptr);
    InstallInternetStateProbe(nullptr);
    SetServerVariablesHost("");
    SetDefaultHttpTimeouts({});
    airline.Stop();
    unsetenv("KESTRIX_LOCK_DIR");
  }

  void SetOnline(bool online) {
    InstallInternetStateProbe([online] { return online; });
  }

  TempWorkDir work;
  ScopedFakeClock clock;
  ScriptedMessageBox boxes;
  airline::AirlineServer airline;
};

}  // namespace kestrix::test
