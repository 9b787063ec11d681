#include <gtest/gtest.h>

#include "airline/airline_server.h"
#include "platform/internet_state.h"
#include "platform/web_host.h"
#include "recorder_fixture.h"
#include "server/account.h"
#include "server/http_engine.h"

namespace kestrix::test {
namespace {

// Visits the report page as a browser would, so the airline sees the PIREP completed.
class VisitingWebHost : public WebHost {
 public:
  int ShowPage(WindowHandle, const std::string& firstPart, const std::string& secondPart) override {
    const std::string address = firstPart + secondPart;
    const size_t slash = address.find('/');
    ServerLink link;
    std::string page;
    SendHttpRequest(link, address.substr(0, slash), address.substr(slash), page, false);
    ++visits;
    return 0;
  }
  void EnableWindow(WindowHandle, bool) override {}
  void BringToTop(WindowHandle) override {}
  int visits = 0;
};

// The whole road of a flight: recorded against the stand-in simulator,
// reported live to the stand-in airline, stored, and filed with it.
class EndToEnd : public RecorderTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(airline.Start());
    SetServerVariablesHost(airline.Host());
    SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 2000, .receiveMs = 2000});
    InstallInternetStateProbe([] { return true; });
    InstallWebHost(webHost);
    airline.State().SetFileOnReportView(true);
    airline.State().AddPilot({"pilot", "secret", "1234", "Pat Pilot", false});
    RecorderTest::SetUp();
    ServerLink link;
    ASSERT_EQ(DownloadServerVariables(link), 0);
    Vars().erase("server");
    recorder = std::make_unique<FlightRecorder>(view, this->link, linkedServer);
    ASSERT_TRUE(recorder->SetFlightId(kFlightId));
  }
  void TearDown() override {
    InstallWebHost(nullptr);
    InstallInternetStateProbe(nullptr);
    SetServerVariablesHost("");
    SetDefaultHttpTimeouts({});
    airline.Stop();
  }

  airline::AirlineServer airline;
  std::shared_ptr<VisitingWebHost> webHost = std::make_shared<VisitingWebHost>();
  LinkedFlightServer linkedServer;
};

TEST_F(EndToEnd, RecordedFlightIsReportedLiveStoredAndFiled) {
  Recorder().InitOnlineMode(true);
  Start();
  ASSERT_TRUE(TickUntil(FlightStage::Cruise));
  const auto live = airline.State().LivePositions();
  ASSERT_EQ(live.count("1234"), 1u) << "the live feed reached the airline";
  EXPECT_EQ(live.at("1234").Field(airline::LiveField::FlightKey), "SCHED///12345");
  ASSERT_TRUE(TickUntil(FlightStage::Stopped));

  boxes.Answer(MessageResult::Yes);  // end and save
  boxes.Answer(MessageResult::Yes);  // file now
  Recorder().EndFlight();
  EXPECT_TRUE(boxes.Saw("Flight report successfully PIREPed.")) << ::testing::PrintToString(boxes.Texts());
  EXPECT_EQ(webHost->visits, 1);

  const auto report = airline.State().ReportFor("guid-1");
  ASSERT_TRUE(report);
  EXPECT_TRUE(report->filed);
  EXPECT_EQ(report->Field(airline::ReportField::FlightId), kFlightId);
  EXPECT_EQ(report->Field(airline::ReportField::FlightMinutes),
            std::to_string(WholeMinutes(Recorder().TempFlight().recordedTime)));
  EXPECT_EQ(report->points.size(), Recorder().Collector().Points().size());
  EXPECT_GE(report->points.size(), 4u);
}

}  // namespace
}  // namespace kestrix::test
