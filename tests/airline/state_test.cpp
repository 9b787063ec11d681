#include "airline/airline_state.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "protocol/scramble.h"
#include "wire_test_support.h"

namespace kestrix::airline {
namespace {

using test::CommandTarget;

std::string PointBytes(const std::vector<FlightPoint>& points) {
  std::string bytes;
  for (const auto& p : points) {
    char raw[20];
    std::memcpy(raw, &p.latitude, 8);
    std::memcpy(raw + 8, &p.longitude, 8);
    std::memcpy(raw + 16, &p.altitude, 4);
    bytes.append(raw, 20);
  }
  return bytes;
}

std::vector<std::string> ReportValues(const std::string& localId) {
  return {"1234", "", localId, "SCH", "100001", "KORD", "Chicago O'Hare", "KJFK", "New York JFK", "HLV",
          "A0x38B Air", "812", "95", "12", "40.6413", "-73.7781", "1765000000", "5400", "-180.5", "", "1765000100"};
}

class AirlineStateTest : public ::testing::Test {
 protected:
  std::string Flights(const std::string& command, const std::vector<std::string>& values) {
    return state.Handle(CommandTarget(Wire().pageFlights, command, values)).body;
  }
  AirlineState state;
};

TEST_F(AirlineStateTest, ReportPointsAndFilingCycle) {
  const std::string localId = "0b1c2d3e-0000-4000-8000-000000000001";
  EXPECT_EQ(Flights("REPORTMISSING", {localId}), "OK=TRUE$");
  EXPECT_EQ(Flights("REPORTKEY", {localId}), "OK=$");

  const std::string uploaded = Flights("UPLOADREPORT", ReportValues(localId));
  ASSERT_TRUE(uploaded.starts_with("OK=TRUE#REPORTID=")) << uploaded;
  EXPECT_EQ(Flights("REPORTMISSING", {localId}), "OK=FALSE$");
  EXPECT_EQ(Flights("FLIGHTFILED", {localId}), "OK=N$");
  ReplyMap reply;
  ASSERT_TRUE(ParseReply(Flights("REPORTKEY", {localId}), reply));
  const std::string key = reply["OK"];
  EXPECT_FALSE(key.empty());
  EXPECT_EQ(state.ReportFor(localId)->Field(ReportField::AirlineName), "A&B Air");

  // Three points cut 40 + 20 bytes, the second chunk chained to the first reply's id.
  const std::vector<FlightPoint> points{{47.5, -122.25, 3500, 0}, {48.0, -121.0, 12000, 0}, {49.25, -120.5, 800, 0}};
  const std::string hex = HexEncode(PointBytes(points));
  reply.clear();
  ASSERT_TRUE(ParseReply(Flights("UPLOADPOINTS", {key, "3", "7", hex.substr(0, 80), "0"}), reply));
  ASSERT_EQ(reply["OK"], "TRUE");
  EXPECT_TRUE(Flights("UPLOADPOINTS", {key, "3", "7", hex.substr(80), "wrong"}).starts_with("ERROR:"));
  EXPECT_TRUE(Flights("UPLOADPOINTS", {key, "3", "7", hex.substr(80), reply["REPORTID"]}).starts_with("OK=TRUE"));
  EXPECT_EQ(state.ReportFor(localId)->points, points);

  // The report page, reached with the pilot's scrambled details, shows the track and files the PIREP.
  std::string data = "demo#demo#" + key + "$";
  ScrambleValue(data);
  std::string lower = HexEncode(data);
  for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::string page = state.Variables()["pirepPage"] + "?data=" + lower;
  const Reply shown = state.Handle(page);
  EXPECT_NE(shown.body.find("47.500000"), std::string::npos);
  EXPECT_NE(shown.body.find("A&amp;B Air"), std::string::npos);
  EXPECT_EQ(Flights("FLIGHTFILED", {localId}), "OK=N$");
  state.Handle(page + "&complete=1");
  EXPECT_EQ(Flights("FLIGHTFILED", {localId}), "OK=Y$");
  EXPECT_EQ(state.Handle(state.Variables()["pirepPage"] + "?data=00ff").status, 403);

  EXPECT_EQ(Flights("REMOVEFLIGHT", {key, "100001"}), "OK=TRUE$");
  EXPECT_EQ(Flights("REMOVEFLIGHT", {key, "100001"}), "ERROR:Record not found.");
  EXPECT_EQ(Flights("REPORTMISSING", {localId}), "OK=TRUE$");
}

TEST_F(AirlineStateTest, PointsCutInsideAPointAndSeveralLegsAddUp) {
  const std::string localId = "leg-test";
  const std::string key = state.AddReport(ReportValues(localId));
  const std::vector<FlightPoint> leg1{{1.5, 2.5, 100, 0}, {3.5, 4.5, 200, 0}};
  const std::vector<FlightPoint> leg2{{5.5, 6.5, 300, 0}};
  const std::string hex = HexEncode(PointBytes(leg1));
  ReplyMap reply;
  ASSERT_TRUE(ParseReply(Flights("UPLOADPOINTS", {key, "2", "7", hex.substr(0, 50), "0"}), reply));
  ASSERT_TRUE(Flights("UPLOADPOINTS", {key, "2", "7", hex.substr(50), reply["REPORTID"]}).starts_with("OK=TRUE"));
  ASSERT_TRUE(Flights("UPLOADPOINTS", {key, "1", "7", HexEncode(PointBytes(leg2)), "0"}).starts_with("OK=TRUE"));
  auto all = leg1;
  all.insert(all.end(), leg2.begin(), leg2.end());
  EXPECT_EQ(state.ReportFor(localId)->points, all);
}

TEST_F(AirlineStateTest, MalformedUploadsAreRefused) {
  auto shortReport = ReportValues("x");
  shortReport.pop_back();
  auto strangerReport = ReportValues("y");
  strangerReport[0] = "999";
  const std::string key = state.AddReport(ReportValues("z"));
  for (const auto& body : {Flights("UPLOADREPORT", shortReport), Flights("UPLOADREPORT", strangerReport),
                           Flights("UPLOADPOINTS", {"nokey", "1", "7", "00", "0"}),
                           Flights("UPLOADPOINTS", {key, "1", "7", "0G", "0"}),
                           Flights("UPLOADPOINTS", {key, "1", "6", "00", "0"})}) {
    EXPECT_TRUE(body.starts_with("ERROR:")) << body;
  }
  EXPECT_EQ(state.Reports().size(), 1u);
}

// Values arrive as the program puts them on the wire: bytes a request line
// may not carry are percent-encoded, and read back as they were.
TEST_F(AirlineStateTest, LivePositionsAndTheOfflineNotice) {
  std::vector<std::string> values{"1234", "SCH///100001", "35000", "270", "450", "KORD", "KJFK", "41.5",
                                  "-80.25", "Boeing 737-800 Halvorn", "95", "1765000000", "812", "HLV", "9000",
                                  "26000", "-40", "5400", "0", "460", "270%B0%20@%2015kts"};
  const auto target = CommandTarget(Wire().pageSchedule, "LIVEREPORT", values);
  EXPECT_EQ(state.Handle(target).body, "OK=TRUE$");
  ASSERT_EQ(state.LivePositions().count("1234"), 1u);
  EXPECT_EQ(state.LivePositions()["1234"].Field(LiveField::Wind), "270\xB0 @ 15kts");
  EXPECT_EQ(state.LivePositions()["1234"].Field(LiveField::Aircraft), "Boeing 737-800 Halvorn");
  EXPECT_EQ(state.Handle(CommandTarget(Wire().pageSchedule, "LIVEREPORT", {"1234", "DELETE"})).body, "OK=TRUE$");
  EXPECT_TRUE(state.LivePositions().empty());
}

TEST_F(AirlineStateTest, FlightPlanChunksChainThroughTheirTemporaryName) {
  const std::string page = Wire().pagePlanUpload;
  ReplyMap first;
  ASSERT_TRUE(ParseReply(state.Handle(page + "?ch=1&pn=1234&fi=100001&fpn=route.pln&fp=DCT!WPT1!^X^_1$").body, first));
  ASSERT_FALSE(first["TempFilename"].empty());
  const auto last = state.Handle(page + "?ch=0&tfn=" + first["TempFilename"] + "&pn=1234&fi=100001&fpn=route.pln&fp=A&B#C");
  EXPECT_EQ(last.body, "OK=TRUE#TempFilename=" + first["TempFilename"] + "$");
  const auto plans = state.FlightPlans();
  ASSERT_EQ(plans.size(), 1u);
  EXPECT_EQ(plans[0].text, "DCT!WPT1!^X^_1$A&B#C");
  EXPECT_EQ(plans[0].chunksToCome, (std::vector<int>{1, 0}));
  EXPECT_TRUE(plans[0].complete);
  EXPECT_EQ(plans[0].fileName, "route.pln");
  EXPECT_TRUE(state.Handle(page + "?ch=0&tfn=nope&pn=1234&fi=1&fpn=a&fp=x").body.starts_with("ERROR:"));
}

TEST_F(AirlineStateTest, ChatUsersPresenceAndExchange) {
  const auto& page = Wire().pageChat;
  auto chat = [&](const std::string& command, const std::vector<std::string>& values) {
    return state.Handle(CommandTarget(page, command, values, "*^|(")).body;
  };
  EXPECT_NE(chat("CHATUSERS", {"1234"}).find("7*^|(HV7 John Doe*^|(John Doe{~!+"), std::string::npos);
  EXPECT_EQ(chat("CHATPRESENCE", {"7", "1"}), "presence*^|(1{~!+");

  // Pilot 7 sends a public and a private message; the admin prefix only works for administrators.
  chat("CHATEXCHANGE", {"7", "0", "hello all", "@@PRIV1234:just you", "@@ADMIN:not an admin", ""});
  chat("CHATEXCHANGE", {"1", "0", "@@ADMIN:servers down at 2200Z", ""});
  const std::string reply = chat("CHATEXCHANGE", {"1234", "0"});
  EXPECT_TRUE(reply.starts_with("timestamp*^|(")) << reply;
  for (const std::string record : {"online*^|(7{~!+", "online*^|(1234{~!+", "message*^|(7:hello all{~!+",
                                   "private*^|(7:just you{~!+", "message*^|(7:@@ADMIN:not an admin{~!+",
                                   "admin*^|(servers down at 2200Z{~!+"}) {
    EXPECT_NE(reply.find(record), std::string::npos) << record;
  }
  // Nothing new since the returned time stamp, and nobody else sees the private message.
  const std::string stamp = reply.substr(13, reply.find("{~!+") - 13);
  EXPECT_EQ(chat("CHATEXCHANGE", {"1234", stamp}).find("message"), std::string::npos);
  EXPECT_EQ(chat("CHATEXCHANGE", {"1", "0"}).find("just you"), std::string::npos);

  EXPECT_EQ(chat("CHATPRESENCE", {"7", "0"}), "presence*^|(0{~!+");
  EXPECT_EQ(state.ChatOnline(), (std::set<int>{1, 1234}));
}

TEST_F(AirlineStateTest, PlainPagesAndVerification) {
  state.SetServerVariable("server", "127.0.0.1:9999");
  const std::string vars = state.Handle(Wire().pageServerVars).body;
  EXPECT_NE(vars.find("server=127.0.0.1:9999\r\n"), std::string::npos);
  for (const char* name : {"pirepPage", "imagePage", "flightPointUploadSize", "flightPointsEnabledTest",
                           "maxGroundTime", "liveFeedUpdateTime", "chatRefreshTime", "baseDir", "updateStub"})
    EXPECT_NE(("\r\n" + vars).find(std::string("\r\n") + name + "="), std::string::npos) << name;

  state.SetUpdaterFile("stub");
  EXPECT_NE(state.Handle(Wire().pageVersion).body.find("UpdaterHash=e8f65fd8d973f9985dc7ea3cf1614ae1"),
            std::string::npos);
  const auto vars2 = state.Variables();
  EXPECT_EQ(state.Handle(vars2.at("baseDir") + vars2.at("updateStub") + "?mt=1765000000").body, "stub");
  EXPECT_EQ(state.Handle("/nowhere").status, 404);
  EXPECT_EQ(state.Handle(CommandTarget(Wire().pageSchedule, "VERIFYPILOT", {"demo", "wrong"})).body,
            "ERROR:Invalid user name or password.");
}

}  // namespace
}  // namespace kestrix::airline
