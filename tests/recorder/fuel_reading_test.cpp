#include <gtest/gtest.h>

#include <algorithm>

#include "recorder_fixture.h"
#include "sim/sim_transport.h"

namespace kestrix::test {
namespace {

// The real transport, with chosen hand-overs answered by a rejection or a
// system error instead, so one batch of a tick can be made to fail.
class ScriptedTransport : public SimTransport {
 public:
  explicit ScriptedTransport(const std::string& dir) : inner(MakePosixSimTransport(dir)) {}
  bool FindWindow(const std::string& name) override { return inner->FindWindow(name); }
  bool RegisterMessage(const std::string& name) override { return inner->RegisterMessage(name); }
  bool AddAtom(const std::string& name) override { return inner->AddAtom(name); }
  MappingOutcome CreateMapping(const std::string& name, size_t size) override { return inner->CreateMapping(name, size); }
  unsigned char* MapView() override { return inner->MapView(); }
  void Release() override { inner->Release(); }
  SendResult Send(int timeoutMs) override {
    ++sends;
    if (loseFrom > 0 && sends >= loseFrom) return {SendOutcome::SystemError, 0};
    if (sends >= rejectFrom && sends < rejectFrom + rejectCount) return {SendOutcome::Replied, 0};
    return inner->Send(timeoutMs);
  }

  std::unique_ptr<SimTransport> inner;
  int sends = 0;
  int rejectFrom = 0;
  int rejectCount = 0;
  int loseFrom = 0;
};

// The fuel reading is the third hand-over of a tick, after the two sample batches.
constexpr int kFuelSend = 3;

class FuelReading : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    auto owned = std::make_unique<ScriptedTransport>(workDir.Path().string());
    transport = owned.get();
    scriptedLink = std::make_unique<SimLink>(std::move(owned));
    int code = 0;
    ASSERT_TRUE(scriptedLink->Open(code));
    recorder = std::make_unique<FlightRecorder>(view, *scriptedLink, server);
    ASSERT_TRUE(recorder->SetFlightId(kFlightId));
    Start();
    Ticks(3);
    clock->onSleep = [&](int64_t milliseconds) { sleeps.push_back(milliseconds); };
  }
  void TearDown() override {
    clock->onSleep = nullptr;
    recorder.reset();
    scriptedLink.reset();
  }
  void RejectFuel(int times) {
    transport->sends = 0;
    transport->rejectFrom = kFuelSend;
    transport->rejectCount = times;
  }

  ScriptedTransport* transport = nullptr;
  std::unique_ptr<SimLink> scriptedLink;
  std::vector<int64_t> sleeps;
};

TEST_F(FuelReading, RejectedReadingIsRetriedAfterASecond) {
  const int64_t recorded = Recorder().TempFlight().recordedTime;
  RejectFuel(4);
  EXPECT_EQ(Tick(), TickResult::GoOn);
  EXPECT_EQ(sleeps, std::vector<int64_t>(4, 1000));
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_EQ(Recorder().StatusState(), RecorderStatus::Recording);
  EXPECT_EQ(Recorder().TempFlight().recordedTime, recorded + 1 + 4) << "the waits are the flight's time too";
}

TEST_F(FuelReading, FifthRejectionGivesUp) {
  RejectFuel(5);
  boxes.Answer(MessageResult::No);
  EXPECT_EQ(Tick(), TickResult::GaveUp);
  EXPECT_EQ(sleeps, std::vector<int64_t>(4, 1000));
  EXPECT_EQ(boxes.Texts(),
            std::vector<std::string>{"Having a problem retrieving data from FSUIPC.\n\nShould I keep trying?"});
}

TEST_F(FuelReading, LostLinkAsksAtOnceWithoutSilentReconnection) {
  transport->sends = 0;
  transport->loseFrom = kFuelSend;
  boxes.Answer(MessageResult::Cancel);
  EXPECT_EQ(Tick(), TickResult::ConnectionCancelled);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Connection to Flight Simulator lost."});
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 500), 0);
}

}  // namespace
}  // namespace kestrix::test
