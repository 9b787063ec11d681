#include "sim/sim_link.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "sim/sim_offsets.h"
#include "sim/sim_wire.h"
#include "sim_fixture.h"

namespace kestrix::test {
namespace {

using SimLinkTest = SimFixture;

bool BlockExists(const std::string& name) { return std::filesystem::exists("/dev/shm" + SharedMemoryName(name)); }

TEST_F(SimLinkTest, OpenReadsVersionsAnnouncesLibraryAndNamesBlockAfterProcess) {
  StartPeer();
  OpenLink();
  EXPECT_EQ(link.InterfaceVersion(), 0x19980005u);
  EXPECT_EQ(link.SimulatorVersion(), 10u);
  EXPECT_FALSE(link.ViaNetworkClient());
  EXPECT_EQ(peer->Aircraft().libraryVersion, 2002);
  const std::string first = link.MappingName();
  EXPECT_TRUE(BlockExists(first));

  int result = -1;
  EXPECT_FALSE(link.Open(result));
  EXPECT_EQ(result, SimResult::AlreadyOpen);
  uint16_t onGround = 0;
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  ASSERT_TRUE(link.Process(result));
  EXPECT_EQ(onGround, 1);

  link.Close();
  EXPECT_FALSE(BlockExists(first));
  link.Close();
  OpenLink();
  EXPECT_NE(link.MappingName(), first);
}

TEST_F(SimLinkTest, EachOpenAttemptTakesTheNextCounterInUpperCaseHex) {
  EXPECT_EQ(SimMappingName(0xAB12, 0x1F), "FsasmLib:IPC:AB12:1F");
  StartPeer();
  OpenLink();
  const std::string name = link.MappingName();
  const uint32_t counter = std::stoul(name.substr(name.rfind(':') + 1), nullptr, 16);
  EXPECT_EQ(name, SimMappingName(getpid(), counter));
  link.Close();
  OpenLink();
  EXPECT_EQ(link.MappingName(), SimMappingName(getpid(), counter + 1));
}

TEST_F(SimLinkTest, BlockLeftByADeadProcessWithTheSameIdDoesNotBlockTheOpen) {
  StartPeer();
  OpenLink();
  const std::string name = link.MappingName();
  const uint32_t counter = std::stoul(name.substr(name.rfind(':') + 1), nullptr, 16);
  link.Close();
  const std::string leftover = SharedMemoryName(SimMappingName(getpid(), counter + 1));
  const int fd = shm_open(leftover.c_str(), O_CREAT | O_EXCL | O_RDWR, 0600);
  ASSERT_GE(fd, 0);
  close(fd);
  OpenLink();
  EXPECT_EQ(SharedMemoryName(link.MappingName()), leftover);
  link.Close();
  EXPECT_FALSE(BlockExists(SimMappingName(getpid(), counter + 1)));
}

TEST_F(SimLinkTest, WithoutSimulatorOpenFailsAndEveryOperationNeedsAnOpenLink) {
  int result = -1;
  EXPECT_FALSE(link.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);
  uint32_t value = 0;
  EXPECT_FALSE(link.Read(4, 0x3304, &value, result));
  EXPECT_EQ(result, SimResult::NotOpen);
  EXPECT_FALSE(link.Write(4, 0x3304, &value, result));
  EXPECT_EQ(result, SimResult::NotOpen);
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::NotOpen);
}

TEST_F(SimLinkTest, ProcessWithNothingQueuedFails) {
  StartPeer();
  OpenLink();
  int result = -1;
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::NothingQueued);
}

TEST_F(SimLinkTest, RequestsFillTheBlockExactlyAndNoFurther) {
  StartPeer();
  OpenLink();
  int result = -1;
  std::vector<unsigned char> answer(kSimRequestArea);
  const uint32_t readFits = kSimRequestArea - kSimReadHeader - 4;
  EXPECT_FALSE(link.Read(readFits + 1, 0, answer.data(), result));
  EXPECT_EQ(result, SimResult::TooLarge);
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::NothingQueued);

  EXPECT_FALSE(link.Read(0xFFFFFFFFu, 0, answer.data(), result));
  EXPECT_EQ(result, SimResult::TooLarge);

  ASSERT_TRUE(link.Read(readFits, 0, answer.data(), result));
  EXPECT_FALSE(link.Read(0, 0, nullptr, result));
  EXPECT_EQ(result, SimResult::TooLarge);
  ASSERT_TRUE(link.Process(result));
  uint16_t onGround = 0;
  std::memcpy(&onGround, answer.data() + SimOffset::OnGround, 2);
  EXPECT_EQ(onGround, 1);

  std::vector<unsigned char> data(kSimRequestArea);
  const uint32_t writeFits = kSimRequestArea - kSimWriteHeader - 4;
  EXPECT_FALSE(link.Write(writeFits + 1, 0x4000, data.data(), result));
  EXPECT_EQ(result, SimResult::TooLarge);
  EXPECT_TRUE(link.Write(writeFits, 0x4000, data.data(), result));
  EXPECT_TRUE(link.Process(result));
}

TEST_F(SimLinkTest, WritesReachTheSimulatorInQueueOrderAndReadsSeeThem) {
  StartPeer();
  OpenLink();
  peer->ClearWrites();
  int result = -1;
  const uint16_t pause = 1, marker = 7;
  uint16_t pausedBefore = 9, pausedAfter = 9, markerRead = 0;
  ASSERT_TRUE(link.Read(2, SimOffset::Paused, &pausedBefore, result));
  ASSERT_TRUE(link.Write(2, SimOffset::PauseControl, &pause, result));
  ASSERT_TRUE(link.Write(2, SimOffset::FuelMarker, &marker, result));
  ASSERT_TRUE(link.Read(2, SimOffset::Paused, &pausedAfter, result));
  ASSERT_TRUE(link.Read(2, SimOffset::FuelMarker, &markerRead, result));
  ASSERT_TRUE(link.Process(result));
  EXPECT_EQ(pausedBefore, 0);
  EXPECT_EQ(pausedAfter, 1);
  EXPECT_EQ(markerRead, 7);
  EXPECT_TRUE(peer->Aircraft().paused);
  auto writes = peer->Writes();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].offset, SimOffset::PauseControl);
  EXPECT_EQ(writes[1].offset, SimOffset::FuelMarker);
}

struct VersionCase {
  const char* windowClass;
  SimulatorFault fault;
  int expected;
};

class SimLinkVersionTest : public SimFixture, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(SimLinkVersionTest, OpenRefusesAnUnfitSimulatorAndHoldsNothing) {
  StartPeer(GetParam().windowClass);
  peer->SetFault(GetParam().fault);
  int result = -1;
  EXPECT_FALSE(link.Open(result));
  EXPECT_EQ(result, GetParam().expected);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(BlockExists(link.MappingName()));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SimLinkVersionTest,
    ::testing::Values(VersionCase{kSimWindowClass, SimulatorFault::OldInterface, SimResult::BadVersion},
                      VersionCase{kSimWindowClass, SimulatorFault::NotReady, SimResult::BadVersion},
                      VersionCase{kSimNetworkWindowClass, SimulatorFault::OldInterface, SimResult::NotReady},
                      VersionCase{kSimNetworkWindowClass, SimulatorFault::NotReady, SimResult::NotReady},
                      VersionCase{kSimWindowClass, SimulatorFault::RefuseBlocks, SimResult::Rejected}));

TEST_F(SimLinkTest, NetworkClientIsUsedWhenTheSimulatorsOwnModuleIsAbsent) {
  StartPeer(kSimNetworkWindowClass);
  OpenLink();
  EXPECT_TRUE(link.ViaNetworkClient());
  EXPECT_EQ(link.SimulatorVersion(), 10u);
}

TEST_F(SimLinkTest, RefusedBlockFailsButKeepsTheLinkOpen) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::RefuseBlocks);
  int result = -1;
  uint16_t onGround = 5;
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::Rejected);
  EXPECT_EQ(onGround, 5);
  EXPECT_TRUE(link.IsOpen());

  peer->SetFault(SimulatorFault::None);
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  ASSERT_TRUE(link.Process(result));
  EXPECT_EQ(onGround, 1);
}

TEST_F(SimLinkTest, SilentSimulatorTimesOutAfterNineBoundedAttempts) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::NotAnswering);
  link.SetSendTimeoutMs(30);
  const uint64_t fakeStart = clock->MonotonicMs();
  const auto realStart = std::chrono::steady_clock::now();
  int result = -1;
  uint16_t onGround = 5;
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::TimedOut);
  EXPECT_EQ(onGround, 5);
  EXPECT_EQ(clock->MonotonicMs() - fakeStart, 9u * 100);
  const auto realElapsed = std::chrono::steady_clock::now() - realStart;
  EXPECT_GE(realElapsed, std::chrono::milliseconds(9 * 20));
  EXPECT_LT(realElapsed, std::chrono::milliseconds(3000));

  // Once it answers again the link carries on with fresh answers.
  peer->SetFault(SimulatorFault::None);
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  ASSERT_TRUE(link.Process(result));
  EXPECT_EQ(onGround, 1);
}

// Replies to attempts that already timed out arrive later; they must not
// pass for the answer to a newer block.
TEST_F(SimLinkTest, LateRepliesToEarlierAttemptsAreNotTakenForTheCurrentOne) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::SlowAnswers);
  link.SetSendTimeoutMs(5);
  int result = -1;
  uint16_t marker = 5;
  ASSERT_TRUE(link.Read(2, SimOffset::FuelMarker, &marker, result));
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::TimedOut);

  peer->SetFault(SimulatorFault::None);
  peer->EditAircraft([](AircraftState& s) { s.fuelMarker = 7; });
  link.SetSendTimeoutMs(kSimSendTimeoutMs);
  ASSERT_TRUE(link.Read(2, SimOffset::FuelMarker, &marker, result));
  ASSERT_TRUE(link.Process(result));
  EXPECT_EQ(marker, 7);
}

TEST_F(SimLinkTest, VanishedSimulatorFailsTheSendAndIsFoundAgainWhenBack) {
  StartPeer();
  OpenLink();
  peer->Vanish();
  int result = -1;
  uint16_t onGround = 5;
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::SendFailed);
  EXPECT_TRUE(link.IsOpen());
  link.Close();
  EXPECT_FALSE(link.Open(result));
  EXPECT_EQ(result, SimResult::NoWindow);

  ASSERT_TRUE(peer->Return());
  OpenLink();
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &onGround, result));
  ASSERT_TRUE(link.Process(result));
  EXPECT_EQ(onGround, 1);
}

// Answers land only in their own destinations, whatever the simulator puts in them.
TEST_F(SimLinkTest, GarbageAnswersStayInsideTheirDestinations) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::GarbageAnswers);
  std::array<unsigned char, 24> guarded;
  guarded.fill(0xAA);
  int result = -1;
  ASSERT_TRUE(link.Read(8, SimOffset::Latitude, guarded.data() + 8, result));
  ASSERT_TRUE(link.Process(result));
  for (size_t index : {0u, 7u, 16u, 23u}) EXPECT_EQ(guarded[index], 0xAA) << index;
}

TEST_F(SimLinkTest, BlockWithNonsenseRecordsIsRejectedAndNothingIsCopied) {
  StartPeer();
  OpenLink();
  peer->SetFault(SimulatorFault::BrokenRecords);
  uint16_t first = 5;
  uint32_t second = 5;
  int result = -1;
  ASSERT_TRUE(link.Read(2, SimOffset::OnGround, &first, result));
  ASSERT_TRUE(link.Read(4, SimOffset::InterfaceVersion, &second, result));
  EXPECT_FALSE(link.Process(result));
  EXPECT_EQ(result, SimResult::Rejected);
  EXPECT_EQ(first, 5);
  EXPECT_EQ(second, 5u);
}

}  // namespace
}  // namespace kestrix::test
