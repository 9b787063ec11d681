#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "app/startup_fixture.h"
#include "platform/named_lock.h"
#include "store/database.h"

namespace kestrix::test {
namespace {

using airline::Route;

airline::Fault Failing(airline::FaultKind kind) {
  airline::Fault fault;
  fault.kind = kind;
  return fault;
}

class RecordingWindows : public StartupWindows {
 public:
  void ShowSplash() override { splashShown = true; }
  void RunMainDialog() override { mainDialogRun = true; }
  bool splashShown = false;
  bool mainDialogRun = false;
};

// Start-up with a pilot info dialog that logs the known pilot in.
class Startup : public StartupFixture {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    InstallPilotInfoDialog([this](WindowHandle) {
      ++pilotDialogRuns;
      Database().WritePilotInfo({"jdoe", "s3cret", "1234"});
      return 3;
    });
  }
  int Requests(Route route) {
    int count = 0;
    for (const auto& request : airline.State().Requests()) count += request.route == route;
    return count;
  }

  RecordingWindows windows;
  int pilotDialogRuns = 0;
};

TEST_F(Startup, FirstStartCreatesTheDatabaseDownloadsVariablesAndLogsThePilotIn) {
  const auto before = clock->MonotonicMs();
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_TRUE(std::filesystem::exists(kDatabaseFile));
  EXPECT_EQ(Requests(Route::ServerVariables), 1);
  EXPECT_EQ(Requests(Route::VersionInfo), 1);
  ServerVariables stored;
  Database().ReadServerVariables(stored);
  EXPECT_EQ(stored["version"], "1");
  EXPECT_EQ(pilotDialogRuns, 1);
  EXPECT_TRUE(windows.splashShown);
  EXPECT_TRUE(windows.mainDialogRun);
  EXPECT_EQ(clock->MonotonicMs() - before, 1000u) << "the splash shows for a second before the main dialog";
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(Startup, StoredVariablesOfTheServersVersionAreNotDownloadedAgainAndAStoredPilotIsVerified) {
  ASSERT_EQ(RunStartup(windows), 0);
  airline.State().ClearRequests();
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_EQ(Requests(Route::ServerVariables), 0);
  EXPECT_EQ(Requests(Route::VerifyPilot), 1);
  EXPECT_EQ(pilotDialogRuns, 1);

  airline.State().SetVersionInfo("ServerVars", "2");
  airline.State().ClearRequests();
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_EQ(Requests(Route::ServerVariables), 1) << "a newer set on the server is fetched";
}

TEST_F(Startup, WithoutInternetNothingIsAskedOfTheServerAndTheMainDialogOpens) {
  SetOnline(false);
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_TRUE(airline.State().Requests().empty());
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_TRUE(windows.mainDialogRun);
}

TEST_F(Startup, ASecondCopyIsRefusedAndTouchesNothing) {
  NamedLock firstCopy(kInstanceLockName);
  ASSERT_TRUE(firstCopy.TryAcquire());
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Kestrix V2 is already running."});
  EXPECT_FALSE(std::filesystem::exists(kDatabaseFile));
  EXPECT_FALSE(windows.mainDialogRun);
}

TEST_F(Startup, AForeignDatabaseFileEndsTheProgramWithCodeOne) {
  std::ofstream(kDatabaseFile) << "this is not a database, just some text that fills a page or so";
  EXPECT_EQ(RunStartup(windows), 1);
  EXPECT_TRUE(boxes.Saw("The database file does not seem to be valid."));
  EXPECT_FALSE(windows.mainDialogRun);
}

TEST_F(Startup, ALeftOverUpdaterThatCannotBeDeletedIsReportedOnceAndStartUpGoesOn) {
  // A folder in its place cannot be removed as a file, whoever runs the test.
  std::filesystem::create_directories(std::string("KestrixV2UpdateStub.exe") + "/inside");
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
      "There was an error deleting the updater file.\nPlease manually delete the \"KestrixV2UpdateStub.exe\" file."});
  EXPECT_TRUE(windows.mainDialogRun);

  std::filesystem::remove_all("KestrixV2UpdateStub.exe");
  std::ofstream("KestrixV2UpdateStub.exe") << "old updater";
  boxes.Clear();
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_FALSE(std::filesystem::exists("KestrixV2UpdateStub.exe"));
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(Startup, ServerFailuresEndTheProgramOrOnlyWarnAsTheyShould) {
  airline.Faults().Set(Route::ServerVariables, Failing(airline::FaultKind::Empty));
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"There was an error retrieving the server settings.",
                                                     "There was an error retrieving the server information.\nPlease try again later."}));
  EXPECT_FALSE(windows.mainDialogRun);

  airline.Faults().ClearAll();
  airline.Faults().Set(Route::VersionInfo, Failing(airline::FaultKind::NotFound));
  boxes.Clear();
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_TRUE(boxes.Saw("There was an error retrieving the update information."));
  EXPECT_TRUE(windows.mainDialogRun);
}

TEST_F(Startup, CancellingThePilotInfoDialogEndsTheProgramWithoutTheMainDialog) {
  InstallPilotInfoDialog([](WindowHandle) { return 1; });
  EXPECT_EQ(RunStartup(windows), 0);
  EXPECT_FALSE(windows.splashShown);
  EXPECT_FALSE(windows.mainDialogRun);
}

}  // namespace
}  // namespace kestrix::test
