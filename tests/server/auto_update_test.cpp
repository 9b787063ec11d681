#include "server/auto_update.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "airline_fixture.h"
#include "platform/program_launcher.h"

namespace kestrix {
namespace {

using airline::Fault;
using airline::FaultKind;
using airline::Route;

TEST(VersionNumber, WeighsEachPart) {
  const std::pair<const char*, unsigned> cases[] = {
      {"2.0.3999", 2'003'999}, {"2.0.4000", 2'004'000}, {"2.1.0", 2'010'000}, {"2.0.9999", 2'009'999},
      {"2.5", 2'050'005},      {"3", 3'030'003},        {"2.0.12beta", 2'000'012}, {"", 0},
  };
  for (const auto& [text, number] : cases) EXPECT_EQ(VersionNumber(text), number) << text;
}

TEST(Md5Hex, MatchesTheKnownDigests) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
}

class AutoUpdate : public test::AirlineFixture {
 protected:
  void SetUp() override {
    AirlineFixture::SetUp();
    InstallProgramLauncher([this](const std::string& path) {
      launched.push_back(path);
      return launchSucceeds;
    });
  }
  void TearDown() override {
    InstallProgramLauncher(nullptr);
    AirlineFixture::TearDown();
  }
  ReplyMap Offer(const std::string& version) {
    airline.State().SetVersionInfo("Version", version);
    ReplyMap info;
    ServerLink link;
    EXPECT_TRUE(GetServerVersionInfo(link, info));
    return info;
  }
  static bool UpdaterExists() { return std::filesystem::exists(kUpdaterFileName); }

  std::vector<std::string> launched;
  bool launchSucceeds = true;
};

TEST_F(AutoUpdate, UpToDateAsksNothing) {
  ServerLink link;
  EXPECT_EQ(CheckForUpdate(link, Offer(ProgramFileVersion())), 0);
  EXPECT_EQ(CheckForUpdate(link, Offer("1.9.9999")), 0);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(AutoUpdate, DeclinedUpdateDownloadsNothing) {
  ServerLink link;
  boxes.Answer(MessageResult::No);
  EXPECT_EQ(CheckForUpdate(link, Offer("9.0.1")), 1);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, "A new version is available.\n\nCurrent Version: " + ProgramFileVersion() +
                                       "\nNewVersion: 9.0.1\n\nWould you like to update?");
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Question);
  EXPECT_TRUE(RequestsTo(Route::Updater).empty());
}

TEST_F(AutoUpdate, VerifiedUpdaterIsStarted) {
  airline.State().SetUpdaterFile(std::string("#!/bin/sh\nexit 0\n\0bin", 21));
  ServerLink link;
  boxes.Answer(MessageResult::Yes);
  EXPECT_EQ(CheckForUpdate(link, Offer("9.0.1")), 2);
  EXPECT_EQ(launched, std::vector<std::string>{kUpdaterFileName});
  std::ifstream file(kUpdaterFileName, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), std::string("#!/bin/sh\nexit 0\n\0bin", 21));
  const auto requests = RequestsTo(Route::Updater);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].target.starts_with("/kx/KestrixV2UpdateStub.exe?mt=")) << requests[0].target;
}

TEST_F(AutoUpdate, FailuresOfTheUpdate) {
  const struct {
    const char* name;
    Fault fault;
    std::string hash;  // empty: the server's own
    bool launchWorks;
    std::vector<std::string> messages;
    bool fileLeft;
  } cases[] = {
      {"download refused", test::MakeFault(FaultKind::NotFound), "", true, {}, false},
      {"download cut", test::MakeFault(FaultKind::CutBody), "", true, {}, false},
      {"digest in upper case", test::MakeFault(FaultKind::None), "UPPER", true, {"The auto-updater file does not seem to be valid."}, false},
      {"start fails", test::MakeFault(FaultKind::None), "", false, {"There was an error starting the update program."}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(kUpdaterFileName);
    airline.Faults().ClearAll();
    if (c.fault.kind != FaultKind::None) airline.Faults().Set(Route::Updater, c.fault);
    launchSucceeds = c.launchWorks;
    ReplyMap info = Offer("9.0.1");
    if (c.hash == "UPPER")
      for (char& digit : info["UpdaterHash"]) digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    boxes.Clear();
    boxes.Answer(MessageResult::Yes);
    ServerLink link;
    EXPECT_EQ(CheckForUpdate(link, info), -1);
    std::vector<std::string> texts = boxes.Texts();
    texts.erase(texts.begin());
    EXPECT_EQ(texts, c.messages);
    EXPECT_EQ(UpdaterExists(), c.fileLeft);
  }
}

TEST_F(AutoUpdate, NoStoredVariablesNoCheck) {
  test::TempWorkDir emptyDir;
  Database().CreateSchema();
  ServerLink link;
  EXPECT_EQ(CheckForUpdate(link, ReplyMap{{"Version", "9.9.9"}}), -1);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(SpawnProgram, StartsAProgramOfTheWorkingDirectory) {
  test::TempWorkDir dir;
  {
    std::ofstream script("updater.sh");
    script << "#!/bin/sh\necho started > started.txt\n";
  }
  std::filesystem::permissions("updater.sh", std::filesystem::perms::owner_all);
  ASSERT_TRUE(SpawnProgram("updater.sh"));
  // A real child process: wait for its mark, bounded.
  for (int i = 0; i < 400 && !std::filesystem::exists("started.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(std::filesystem::exists("started.txt"));
  EXPECT_FALSE(SpawnProgram("missing.sh"));
}

}  // namespace
}  // namespace kestrix
