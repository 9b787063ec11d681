#include "server/account.h"

#include <future>

#include "airline_fixture.h"
#include "server/command_request.h"

namespace kestrix {
namespace {

using airline::Fault;
using airline::FaultKind;
using airline::Route;

class Account : public test::AirlineFixture {};

TEST_F(Account, ServerVariablesAreStoredWithoutSpaces) {
  airline.State().SetServerVariable("motd", " Fly safe  today ");
  ServerLink link;
  ASSERT_EQ(DownloadServerVariables(link), 0);
  ServerVariables stored;
  Database().ReadServerVariables(stored);
  EXPECT_EQ(stored["motd"], "Flysafetoday");
  EXPECT_EQ(stored["server"], airline.Host());
  for (const auto& [name, value] : airline.State().Variables()) {
    std::string expected = value;
    RemoveSpaces(expected);
    EXPECT_EQ(stored[name], expected) << name;
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Account, ServerVariablesThatCannotBeFetchedAreReported) {
  for (FaultKind kind : {FaultKind::NotFound, FaultKind::Empty}) {
    airline.Faults().Set(Route::ServerVariables, test::MakeFault(kind));
    ServerLink link{.owner = reinterpret_cast<WindowHandle>(7)};
    EXPECT_EQ(DownloadServerVariables(link), -1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "There was an error retrieving the server settings.");
    EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
    EXPECT_EQ(boxes.Shown()[0].owner, link.owner);
    boxes.Clear();
  }
}

TEST_F(Account, VersionInformationIsReadFromTheServer) {
  airline.State().SetVersionInfo("Version", "2.0.4000");
  ServerLink link;
  ReplyMap info;
  ASSERT_TRUE(GetServerVersionInfo(link, info));
  EXPECT_EQ(info["Version"], "2.0.4000");
  EXPECT_EQ(info.count("UpdaterHash"), 1u);

  airline.Faults().Set(Route::VersionInfo, test::MakeFault(FaultKind::NotFound));
  ReplyMap missing;
  EXPECT_FALSE(GetServerVersionInfo(link, missing));
  EXPECT_TRUE(missing.empty());
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Account, VerifyPilotGivesTheNumberOnRecordOrTheServersMessage) {
  ServerLink link;
  std::string result;
  ASSERT_TRUE(VerifyPilot(link, kUser, kPassword, result));
  EXPECT_EQ(result, kPilotNumber);
  const auto requests = RequestsTo(Route::VerifyPilot);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].values, (std::vector<std::string>{kUser, kPassword}));

  EXPECT_FALSE(VerifyPilot(link, kUser, "wrong", result));
  EXPECT_FALSE(result.empty());
  EXPECT_NE(result, kPilotNumber);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Account, RequestsFromTwoThreadsAtOnce) {
  // The chat's worker talks to the server while the window's thread does too.
  auto verifyMany = [] {
    int verified = 0;
    for (int i = 0; i < 10; ++i) {
      ServerLink link;
      std::string result;
      verified += VerifyPilot(link, kUser, kPassword, result) && result == kPilotNumber;
    }
    return verified;
  };
  auto worker = std::async(std::launch::async, verifyMany);
  EXPECT_EQ(verifyMany(), 10);
  EXPECT_EQ(worker.get(), 10);
}

struct IdentityCase {
  const char* name;
  PilotInfo stored;
  bool online;
  bool dialogShown;
};

void PrintTo(const IdentityCase& c, std::ostream* out) { *out << c.name; }


class Identity : public test::AirlineFixture, public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(Identity, DialogOnlyWhenTheStoredIdentityIsNotValid) {
  Database().WritePilotInfo(GetParam().stored);
  InstallInternetStateProbe([online = GetParam().online] { return online; });
  for (int dialogResult : {1, 3}) {
    int shown = 0;
    InstallPilotInfoDialog([&](WindowHandle) {
      ++shown;
      return dialogResult;
    });
    const bool expected = !GetParam().dialogShown || dialogResult != 1;
    EXPECT_EQ(EstablishPilotIdentity(nullptr), expected) << dialogResult;
    EXPECT_EQ(shown, GetParam().dialogShown ? 1 : 0);
  }
  InstallPilotInfoDialog(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Identity,
    ::testing::Values(IdentityCase{"VerifiedOnline", {"jdoe", "s3cret", "1234"}, true, false},
                      IdentityCase{"OtherNumberOnRecord", {"jdoe", "s3cret", "999"}, true, true},
                      IdentityCase{"WrongPassword", {"jdoe", "nope", "1234"}, true, true},
                      IdentityCase{"NothingStored", {"", "", ""}, true, true},
                      IdentityCase{"OfflineWithNumber", {"jdoe", "nope", "1234"}, false, false},
                      IdentityCase{"OfflineWithoutNumber", {"jdoe", "s3cret", ""}, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrix
