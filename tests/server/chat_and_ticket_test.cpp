#include <algorithm>

#include "airline_fixture.h"
#include "raw_http_server.h"
#include "server/chat_requests.h"
#include "server/ticket.h"

namespace kestrix {
namespace {

using airline::Fault;
using airline::FaultKind;
using airline::Route;

class Chat : public test::AirlineFixture {};

TEST_F(Chat, UsersComeBackInReplyOrder) {
  airline.State().AddPilot({"amy", "pw", "7", "Amy Lee", false});
  ServerLink link;
  std::vector<ChatUser> users(9);
  const int count = FetchChatUsers(link, users);
  ASSERT_EQ(count, static_cast<int>(users.size()));
  auto amy = std::find_if(users.begin(), users.end(), [](const ChatUser& user) { return user.number == 7; });
  auto john = std::find_if(users.begin(), users.end(), [](const ChatUser& user) { return user.number == 1234; });
  ASSERT_NE(amy, users.end());
  ASSERT_NE(john, users.end());
  EXPECT_EQ(*amy, (ChatUser{7, "HV7 Amy Lee", "Amy Lee", false}));
  EXPECT_EQ(*john, (ChatUser{1234, "HV1234 John Doe", "John Doe", false}));
  EXPECT_LT(amy, john);
  EXPECT_EQ(RequestsTo(Route::ChatUsers)[0].values, std::vector<std::string>{kPilotNumber});
}

TEST_F(Chat, ExchangeAndPresenceCarryTheirValues) {
  ServerLink link;
  std::string reply;
  EXPECT_GE(ChatExchange(link, "0", "", reply), 0);
  EXPECT_EQ(RequestsTo(Route::ChatExchange).back().values, (std::vector<std::string>{kPilotNumber, "0"}));
  ChatExchange(link, "17", "hello*^|(second*^|(", reply);
  EXPECT_EQ(RequestsTo(Route::ChatExchange).back().values,
            (std::vector<std::string>{kPilotNumber, "17", "hello", "second", ""}));
  EXPECT_EQ(airline.State().ChatEvents().size(), 2u);

  EXPECT_EQ(SendChatPresence(link, true), 1);
  EXPECT_EQ(airline.State().ChatOnline().count(1234), 1u);
  EXPECT_EQ(SendChatPresence(link, false), 1);
  EXPECT_EQ(RequestsTo(Route::ChatPresence).back().values, (std::vector<std::string>{kPilotNumber, "0"}));
  EXPECT_EQ(airline.State().ChatOnline().count(1234), 0u);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Chat, ErrorsAndEmptyRepliesGiveTheirResults) {
  ServerLink link{.owner = reinterpret_cast<WindowHandle>(3)};
  std::vector<ChatUser> users(2);
  std::string reply = "kept";

  airline.Faults().Set(Route::Any, test::MakeFault(FaultKind::Empty));
  EXPECT_EQ(FetchChatUsers(link, users), 0);
  EXPECT_EQ(users.size(), 2u);
  EXPECT_EQ(ChatExchange(link, "0", "", reply), 0);
  EXPECT_EQ(reply, "kept");
  EXPECT_EQ(SendChatPresence(link, true), 0);
  EXPECT_TRUE(boxes.Shown().empty());

  airline.Faults().Set(Route::Any, test::MakeFault(FaultKind::Error, "Chat closed."));
  EXPECT_EQ(FetchChatUsers(link, users), -2);
  EXPECT_TRUE(users.empty());
  EXPECT_EQ(ChatExchange(link, "0", "", reply), -2);
  EXPECT_EQ(SendChatPresence(link, true), -2);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>(3, "Chat closed."));
  EXPECT_EQ(boxes.Shown()[0].owner, link.owner);

  airline.Stop();
  boxes.Clear();
  EXPECT_EQ(FetchChatUsers(link, users), -1);
  EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST_F(Chat, UserRecordsAreSplitAtTheFirstTwoSeparators) {
  const std::string body = "7*^|(HV7 label text*^|(John Doe{~!+x*^|(only label{~!+12{~!+9*^|(L*^|(N*^|(extra{~!+tail";
  test::RawHttpServer server([&](int socket, test::RawHttpServer& raw) {
    raw.ReadRequest(socket);
    test::RawHttpServer::SendAll(socket, test::HttpReply(body));
  });
  SetVariable("server", server.Host());
  ServerLink link;
  std::vector<ChatUser> users;
  ASSERT_EQ(FetchChatUsers(link, users), 4);
  EXPECT_EQ(users[0], (ChatUser{7, "HV7 label text", "John Doe", false}));
  EXPECT_EQ(users[1], (ChatUser{0, "only label", "", false}));
  EXPECT_EQ(users[2], (ChatUser{12, "", "", false}));
  EXPECT_EQ(users[3], (ChatUser{9, "L", "N*^|(extra", false}));
}

class Ticket : public test::AirlineFixture {};

TEST_F(Ticket, BothSidesAreFetchedForTicketTypes) {
  EXPECT_EQ(TicketKind("SPL"), "ticket");
  EXPECT_EQ(TicketKind("SCH"), "planbook");
  EXPECT_EQ(TicketKind("GA"), "ga");
  ServerLink link;
  std::string front;
  std::string back;
  ASSERT_TRUE(FetchTicketImages(link, "123", "SCH", front, back));
  const auto requests = RequestsTo(Route::Ticket);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, "/kx/ticket.php?flightid=123&rectype=planbook&ticktype=f");
  EXPECT_EQ(requests[1].target, "/kx/ticket.php?flightid=123&rectype=planbook&ticktype=b");
  EXPECT_TRUE(front.starts_with("\x89PNG"));
  EXPECT_TRUE(back.starts_with("\x89PNG"));
  EXPECT_NE(front, back);
}

TEST_F(Ticket, NothingForOtherTypesOrOffline) {
  ServerLink link;
  std::string front;
  std::string back;
  EXPECT_FALSE(FetchTicketImages(link, "1", "BID", front, back));
  EXPECT_FALSE(FetchTicketImages(link, "1", "HVH", front, back));
  InstallInternetStateProbe([] { return false; });
  EXPECT_FALSE(FetchTicketImages(link, "1", "SPL", front, back));
  EXPECT_TRUE(airline.State().Requests().empty());
}

TEST_F(Ticket, FailedSideStaysEmpty) {
  SetDefaultHttpTimeouts({.connectMs = 2000, .sendMs = 200, .receiveMs = 200});
  airline.Faults().Set(Route::Ticket, test::MakeFault(FaultKind::Silent, "", 3000, 1));
  ServerLink link;
  std::string front = "old";
  std::string back;
  ASSERT_TRUE(FetchTicketImages(link, "1", "GA", front, back));
  EXPECT_EQ(front, "");
  EXPECT_TRUE(back.starts_with("\x89PNG"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"The connection to the server timed out.\nPlease retry."});
}

}  // namespace
}  // namespace kestrix
