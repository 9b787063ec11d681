#include "airline_fixture.h"
#include "raw_http_server.h"
#include "server/account.h"
#include "server/filing.h"
#include "server/schedule.h"

namespace kestrix {
namespace {

// The airline's host replaced by a raw server answering every request with `bytes`.
class BadInput : public test::AirlineFixture {
 protected:
  void Serve(std::string bytes) {
    raw = std::make_unique<test::RawHttpServer>([bytes = std::move(bytes)](int socket, test::RawHttpServer& server) {
      server.ReadRequest(socket);
      test::RawHttpServer::SendAll(socket, bytes);
    });
    SetVariable("server", raw->Host());
  }
  std::unique_ptr<test::RawHttpServer> raw;
};

TEST_F(BadInput, EnormousScheduleIsReadWhole) {
  std::string record = "type=X#fltid=" + std::string(980, '9') + "$";
  std::string body;
  body.reserve(100u << 20);
  while (body.size() + record.size() <= (100u << 20)) body += record;
  body += "type=cut#fl";
  const size_t records = body.size() / record.size();
  Serve(test::HttpReply(body));
  ServerLink link;
  std::vector<AvailableFlight> flights;
  EXPECT_EQ(DownloadSchedule(link, kUser, kPassword, flights), static_cast<int>(records));
  EXPECT_EQ(flights.back().type, "X");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(BadInput, TruncatedScheduleKeepsTheWholeRecords) {
  Serve("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\ntype=A#fltid=1$type=B#flt");
  ServerLink link;
  std::vector<AvailableFlight> flights;
  ASSERT_EQ(DownloadSchedule(link, kUser, kPassword, flights), 1);
  EXPECT_EQ(flights[0].flightId, "1");
}

TEST_F(BadInput, JunkRepliesAreInvalidPages) {
  const std::string replies[] = {
      test::HttpReply(std::string("\0\x01\xff<html>", 9)),
      test::HttpReply("OK"),
      std::string("\x16\x03\x01garbage that is no HTTP at all"),
  };
  for (const auto& reply : replies) {
    Serve(reply);
    ServerLink link;
    std::string result;
    EXPECT_FALSE(VerifyPilot(link, kUser, kPassword, result));
    EXPECT_EQ(result, "An invalid page was returned from the server.");
    std::string message;
    EXPECT_EQ(CheckReportMissing(link, "id", message), -1);
    EXPECT_EQ(GetReportKey(link, "id", message), "");
    EXPECT_EQ(CheckFlightFiled(link, "id", message), '\0');
  }
}

TEST_F(BadInput, RecordsWithoutTheExpectedKeys) {
  Serve(test::HttpReply("REPORTID=5#other=1$"));
  ServerLink link;
  std::string message = "x";
  EXPECT_EQ(CheckReportMissing(link, "id", message), 0);
  EXPECT_EQ(message, "");
  EXPECT_EQ(CheckFlightFiled(link, "id", message), '\0');
  EXPECT_EQ(GetReportKey(link, "id", message), "");
  char filed = 'Y';
  EXPECT_EQ(GetFilingState(link, "id", filed), 1);
  EXPECT_EQ(filed, '\0');
  AvailableFlight flight;
  FlightRecord report;
  EXPECT_EQ(UploadFlightReport(link, kPilotNumber, &flight, &report, message), 0);
  EXPECT_EQ(UploadFlightReport(link, "", &flight, &report, message), -1);
  EXPECT_EQ(UploadFlightReport(link, kPilotNumber, nullptr, &report, message), -1);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(BadInput, PointUploadWithoutUsableChunkSizeSendsNothing) {
  for (const char* size : {"", "0", "-20", "abc"}) {
    SetVariable("flightPointUploadSize", size);
    ServerLink link;
    std::string message;
    UploadFlightPoints(link, {{1, 2, 3, 4}}, "KEY", message);
  }
  EXPECT_TRUE(airline.State().Requests().empty());
}

}  // namespace
}  // namespace kestrix
