#include "airline/airline_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "wire_test_support.h"

namespace kestrix::airline {
namespace {

struct RawReply {
  std::string head;  // status line and headers
  std::string body;
  size_t announced = 0;  // Content-Length
};

// Sends the request line exactly as given, like the program does, and reads to the end.
RawReply RawGet(int port, const std::string& target) {
  const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: InetURL/1.0\r\n\r\n";
  EXPECT_EQ(::send(sock, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
  std::string all;
  char chunk[4096];
  RawReply reply;
  for (ssize_t n; (n = ::recv(sock, chunk, sizeof chunk, 0)) > 0;) {
    all.append(chunk, static_cast<size_t>(n));
    const auto end = all.find("\r\n\r\n");
    if (end == std::string::npos) continue;
    reply.head = all.substr(0, end);
    const auto length = reply.head.find("Content-Length: ");
    if (length != std::string::npos) reply.announced = std::stoul(reply.head.substr(length + 16));
    if (all.size() >= end + 4 + reply.announced) break;  // keep-alive: the reply is complete
  }
  ::close(sock);
  const auto end = all.find("\r\n\r\n");
  if (end != std::string::npos) reply.body = all.substr(end + 4);
  return reply;
}

class AirlineServerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Start(0)); }
  std::string Verify(const std::string& user, const std::string& password) {
    return test::CommandTarget(Wire().pageSchedule, "VERIFYPILOT", {user, password});
  }
  AirlineServer server;
};

TEST_F(AirlineServerTest, ServesTheRawTargetAndPublishesItsAddress) {
  EXPECT_GT(server.Port(), 0);
  EXPECT_EQ(server.State().Variables()["server"], "127.0.0.1:" + std::to_string(server.Port()));
  // Spaces, "#" and 8-bit bytes travel unescaped in the request line.
  server.State().AddPilot({"two words", "p#ss\xB0", "55", "Spacey", false});
  const RawReply reply = RawGet(server.Port(), Verify("two words", "p#ss\xB0"));
  EXPECT_TRUE(reply.head.starts_with("HTTP/1.1 200")) << reply.head;
  EXPECT_EQ(reply.body, "OK=55$");
  EXPECT_EQ(server.State().Requests().back().values, (std::vector<std::string>{"two words", "p#ss\xB0"}));
  EXPECT_TRUE(RawGet(server.Port(), "/nowhere").head.starts_with("HTTP/1.1 404"));

  server.State().SetScheduleSize(0);
  const RawReply empty =
      RawGet(server.Port(), test::CommandTarget(Wire().pageSchedule, "GETSCHEDULE", {"demo", "demo", "203999"}));
  EXPECT_NE(empty.head.find("Content-Length: 0"), std::string::npos) << empty.head;
  EXPECT_EQ(empty.body, "");
}

TEST_F(AirlineServerTest, FaultSwitchesHitTheirRouteOnly) {
  struct Case {
    Fault fault;
    std::string body;
    std::string status;
  };
  const std::vector<Case> cases{
      {{FaultKind::Error, "Database offline.", 0, -1}, "ERROR:Database offline.", "200"},
      {{FaultKind::Empty, "", 0, -1}, "", "200"},
      {{FaultKind::NotFound, "", 0, -1}, "", "404"},
  };
  for (const auto& c : cases) {
    server.Faults().Set(Route::VerifyPilot, c.fault);
    const RawReply reply = RawGet(server.Port(), Verify("demo", "demo"));
    EXPECT_TRUE(reply.head.starts_with("HTTP/1.1 " + c.status)) << FaultKindName(c.fault.kind);
    if (c.fault.kind == FaultKind::NotFound)
      EXPECT_NE(reply.body.find("Not Found"), std::string::npos);
    else
      EXPECT_EQ(reply.body, c.body);
    EXPECT_NE(RawGet(server.Port(), Wire().pageVersion).body.find("Version="), std::string::npos);
  }
  server.Faults().ClearAll();
  EXPECT_EQ(RawGet(server.Port(), Verify("demo", "demo")).body, "OK=1234$");

  // A fault for a number of requests, on every route.
  server.Faults().Set(Route::Any, {FaultKind::Empty, "", 0, 1});
  EXPECT_EQ(RawGet(server.Port(), Wire().pageVersion).body, "");
  EXPECT_NE(RawGet(server.Port(), Wire().pageVersion).body, "");
}

TEST_F(AirlineServerTest, CutBodyAnnouncesMoreThanItSends) {
  server.Faults().Set(Route::ServerVariables, {FaultKind::CutBody, "", 0, -1});
  const RawReply reply = RawGet(server.Port(), Wire().pageServerVars);
  ASSERT_GT(reply.announced, 0u);
  EXPECT_EQ(reply.body.size(), reply.announced / 2);
  EXPECT_TRUE(reply.body.starts_with("baseDir="));
}

TEST_F(AirlineServerTest, SlowAndSilentAnswers) {
  server.Faults().Set(Route::VerifyPilot, {FaultKind::Slow, "", 150, 1});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RawGet(server.Port(), Verify("demo", "demo")).body, "OK=1234$");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));

  // A silent server holds the request until it is stopped, then closes without a byte.
  server.Faults().Set(Route::VerifyPilot, {FaultKind::Silent, "", 0, -1});
  auto pending = std::async(std::launch::async, [port = server.Port(), target = Verify("demo", "demo")] {
    return RawGet(port, target);
  });
  EXPECT_EQ(pending.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  server.Stop();
  const RawReply reply = pending.get();
  EXPECT_TRUE(reply.head.empty());
  EXPECT_TRUE(reply.body.empty());
}

TEST(FaultParsing, CommandLineForms) {
  EXPECT_EQ(ParseFault("error:No such pilot.")->text, "No such pilot.");
  EXPECT_EQ(ParseFault("slow:2500")->delayMs, 2500);
  EXPECT_EQ(ParseFault("cut")->kind, FaultKind::CutBody);
  for (const char* bad : {"slow:abc", "explode", "cut:3", "silent:-1"}) EXPECT_FALSE(ParseFault(bad)) << bad;
  EXPECT_EQ(RouteFromName("upload-points"), Route::UploadPoints);
  EXPECT_STREQ(RouteName(Route::ChatExchange), "chat-exchange");
}

}  // namespace
}  // namespace kestrix::airline
