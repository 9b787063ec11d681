#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "airline/airline_server.h"
#include "platform/internet_state.h"
#include "server/account.h"
#include "server/http_engine.h"
#include "store/database.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::test {

inline airline::Fault MakeFault(airline::FaultKind kind, std::string text = "", int64_t delayMs = 0, int times = -1) {
  airline::Fault fault;
  fault.kind = kind;
  fault.text = std::move(text);
  fault.delayMs = delayMs;
  fault.times = times;
  return fault;
}

// A fresh database, the stand-in airline on a loopback port, and the server
// variables already downloaded from it, for a pilot known on both sides.
class AirlineFixture : public ::testing::Test {
 protected:
  static constexpr const char* kUser = "jdoe";
  static constexpr const char* kPassword = "s3cret";
  static constexpr const char* kPilotNumber = "1234";

  void SetUp() override {
    ASSERT_TRUE(airline.Start());
    SetServerVariablesHost(airline.Host());
    SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 2000, .receiveMs = 2000});
    InstallInternetStateProbe([] { return true; });
    airline.State().AddPilot({kUser, kPassword, kPilotNumber, "John Doe", false});
    Database().CreateSchema();
    Database().WritePilotInfo({kUser, kPassword, kPilotNumber});
    ServerLink link;
    ASSERT_EQ(DownloadServerVariables(link), 0);
    airline.State().ClearRequests();
  }

  void TearDown() override {
    InstallInternetStateProbe(nullptr);
    SetServerVariablesHost("");
    SetDefaultHttpTimeouts({});
    airline.Stop();
  }

  // Changes a server variable on the server and in the local copy.
  void SetVariable(const std::string& name, const std::string& value) {
    airline.State().SetServerVariable(name, value);
    ServerVariables variables;
    Database().ReadServerVariables(variables);
    variables[name] = value;
    Database().WriteServerVariables(variables);
  }

  std::vector<airline::LoggedRequest> RequestsTo(airline::Route route) {
    std::vector<airline::LoggedRequest> found;
    for (auto& request : airline.State().Requests())
      if (request.route == route) found.push_back(request);
    return found;
  }

  TempWorkDir workDir;
  ScriptedMessageBox boxes;
  airline::AirlineServer airline;
};

}  // namespace kestrix::test
