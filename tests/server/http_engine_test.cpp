#include "server/http_engine.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include "raw_http_server.h"
#include "recording_progress.h"
#include "support/scripted_message_box.h"

namespace kestrix {
namespace {

using test::HttpReply;
using test::RawHttpServer;

constexpr const char* kTimedOut = "The connection to the server timed out.\nPlease retry.";
constexpr const char* kSendFailed = "There was an error sending the request to the server.\nPlease retry.";

ServerLink QuickLink() {
  ServerLink link;
  link.timeouts = {.connectMs = 2000, .sendMs = 300, .receiveMs = 300};
  return link;
}

RawHttpServer Replying(std::string bytes) {
  return RawHttpServer([bytes](int socket, RawHttpServer& server) {
    server.ReadRequest(socket);
    RawHttpServer::SendAll(socket, bytes);
  });
}

TEST(HttpEngine, SendsTheObjectAsComposedWithTheProgramsAgent) {
  auto server = Replying(HttpReply("OK=TRUE$"));
  ServerLink link = QuickLink();
  std::string reply;
  ASSERT_TRUE(SendHttpRequest(link, server.Host(), "/kx/a.php?q=AB12&v=x%23y#z w\xB0", reply, true));
  EXPECT_EQ(reply, "OK=TRUE$");
  const std::string request = server.LastRequest();
  EXPECT_TRUE(request.starts_with("GET /kx/a.php?q=AB12&v=x%23y#z%20w%B0 HTTP/1.1\r\n")) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: InetURL/1.0\r\n"), std::string::npos) << request;
}

TEST(HttpEngine, RequestTargetEncodesOnlyWhatARequestLineCannotCarry) {
  EXPECT_EQ(RequestTarget("/a?b=c&d=%23#e"), "/a?b=c&d=%23#e");
  EXPECT_EQ(RequestTarget(std::string("/x y\t\x01\x7f\x80\xff\0", 10)), "/x%20y%09%01%7F%80%FF%00");
  EXPECT_EQ(RequestTarget("page.php?x=1"), "/page.php?x=1");
}

TEST(HttpEngine, AssemblesALongReplyByteForByte) {
  std::string body;
  for (int i = 0; i < 70000; ++i) body += static_cast<char>(i % 251);
  // Sent in uneven pieces with pauses, so the reply arrives in many reads.
  RawHttpServer server([body](int socket, RawHttpServer& raw) {
    raw.ReadRequest(socket);
    const std::string bytes = HttpReply(body);
    for (size_t at = 0; at < bytes.size(); at += 9999) {
      RawHttpServer::SendAll(socket, bytes.substr(at, 9999));
      raw.Wait(5);
    }
  });
  ServerLink link = QuickLink();
  std::string reply;
  ASSERT_TRUE(SendHttpRequest(link, server.Host(), "/big", reply, true));
  EXPECT_EQ(reply, body);
}

TEST(HttpEngine, EmptyBodyIsSuccessWithAnEmptyReply) {
  test::ScriptedMessageBox boxes;
  auto server = Replying(HttpReply(""));
  ServerLink link = QuickLink();
  std::string reply;
  EXPECT_TRUE(SendHttpRequest(link, server.Host(), "/empty", reply, true));
  EXPECT_EQ(reply, "");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST(HttpEngine, ReplyWithoutHttpHeadIsTakenAsTheBody) {
  auto server = Replying("A=1$");
  ServerLink link = QuickLink();
  std::string reply;
  EXPECT_TRUE(SendHttpRequest(link, server.Host(), "/old", reply, true));
  EXPECT_EQ(reply, "A=1$");
}

struct FailureCase {
  const char* name;
  RawHttpServer::Script script;
  bool result;
  const char* message;  // nullptr: no box
  const char* reply;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }


class HttpEngineFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(HttpEngineFailures, GiveTheirResultMessageAndCloseTheProgress) {
  for (bool showErrors : {true, false}) {
    SCOPED_TRACE(showErrors);
    test::ScriptedMessageBox boxes;
    RawHttpServer server(GetParam().script);
    test::ProgressLog log;
    test::RecordingProgress progress(std::shared_ptr<test::ProgressLog>(&log, [](auto*) {}));
    ServerLink link = QuickLink();
    link.progress = &progress;
    std::string reply;
    EXPECT_EQ(SendHttpRequest(link, server.Host(), "/x", reply, showErrors), GetParam().result);
    EXPECT_EQ(reply, GetParam().reply);
    EXPECT_EQ(log.steps, 3);
    EXPECT_EQ(log.closed, GetParam().result ? 0 : 1);
    if (GetParam().message && showErrors) {
      ASSERT_EQ(boxes.Shown().size(), 1u);
      EXPECT_EQ(boxes.Shown()[0].text, GetParam().message);
      EXPECT_EQ(boxes.Shown()[0].caption, "Kestrix v2");
      EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Error);
    } else {
      EXPECT_TRUE(boxes.Shown().empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, HttpEngineFailures,
    ::testing::Values(
        FailureCase{"Silent",
                    [](int socket, RawHttpServer& server) {
                      server.ReadRequest(socket);
                      server.Wait(3000);
                    },
                    false, kTimedOut, ""},
        FailureCase{"ClosesWithoutReply", [](int socket, RawHttpServer& server) { server.ReadRequest(socket); },
                    false, kSendFailed, ""},
        FailureCase{"StallsMidBody",
                    [](int socket, RawHttpServer& server) {
                      server.ReadRequest(socket);
                      RawHttpServer::SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nOK=TR");
                      server.Wait(3000);
                    },
                    true, nullptr, "OK=TR"},
        FailureCase{"CutMidBody",
                    [](int socket, RawHttpServer& server) {
                      server.ReadRequest(socket);
                      RawHttpServer::SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nOK=TR");
                    },
                    true, nullptr, "OK=TR"},
        FailureCase{"TricklesSlowerThanTheTimeOutInTotal",
                    [](int socket, RawHttpServer& server) {
                      server.ReadRequest(socket);
                      RawHttpServer::SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n");
                      for (char c : std::string("OK=TRUE$")) {
                        if (!server.Wait(100)) return;
                        RawHttpServer::SendAll(socket, std::string(1, c));
                      }
                    },
                    true, nullptr, "OK=TRUE$"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HttpEngine, RefusedConnectionIsASendFailure) {
  int port = 0;
  { port = RawHttpServer([](int, RawHttpServer&) {}).Port(); }
  test::ScriptedMessageBox boxes;
  ServerLink link = QuickLink();
  std::string reply;
  EXPECT_FALSE(SendHttpRequest(link, "127.0.0.1:" + std::to_string(port), "/x", reply, true));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kSendFailed});
}

TEST(HttpEngine, HostThatNamesNoServerGivesAnEmptySuccess) {
  test::ScriptedMessageBox boxes;
  for (const char* host : {"", "127.0.0.1:", "127.0.0.1:99999", "127.0.0.1:80x", "evil.test/path", "a b", "u@h"}) {
    SCOPED_TRACE(host);
    ServerLink link = QuickLink();
    std::string reply;
    EXPECT_TRUE(SendHttpRequest(link, host, "/x", reply, true));
    EXPECT_EQ(reply, "");
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace kestrix
