#include <climits>

#include "chat_fixture.h"
#include "server/raw_http_server.h"

namespace kestrix {
namespace {

using airline::FaultKind;
using airline::Route;
using test::ViewCall;

constexpr const char* kAskGoOnline = "You are not online.\r\nWould you like to go online and send this message?.";
constexpr const char* kNoInternet = "Internet connection not found.\r\nPlease connect to the internet and try again.";

std::vector<std::string> Texts(const std::vector<ViewCall>& calls) {
  std::vector<std::string> texts;
  for (const auto& call : calls) texts.push_back(call.text);
  return texts;
}

class ChatEngineTest : public test::ChatFixture {};

TEST_F(ChatEngineTest, MessagesTypedBetweenPollsTravelInOneBlock) {
  Join(*engine);
  engine->Send("message1");
  engine->Send("message2");
  const std::string stamp = engine->LastTimeStamp();
  engine->PollOnce();
  EXPECT_EQ(LastExchangeValues(), (std::vector<std::string>{"1234", stamp, "message1", "message2", ""}));
  EXPECT_EQ(PostedTexts(), (std::vector<std::string>{"message1", "message2"}));
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::OwnEcho)), (std::vector<std::string>{"message1", "message2"}));

  engine->PollOnce();
  EXPECT_EQ(LastExchangeValues(), (std::vector<std::string>{"1234", engine->LastTimeStamp()}));
  EXPECT_EQ(RequestsTo(Route::ChatExchange).size(), 3u);
}

TEST_F(ChatEngineTest, PresenceIsAnnouncedFromTheSecondReplyOn) {
  airline.State().AddPilot({"bob", "pw", "8", "Bob Ray", false});
  airline.State().SetChatOnline(kAmy, true);
  Join(*engine);
  EXPECT_TRUE(view.log->Lines(ChatLineKind::Notify).empty());

  airline.State().SetChatOnline(8, true);
  engine->PollOnce();
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::Notify)), std::vector<std::string>{"HV8 Bob Ray is online."});

  view.log->Clear();
  airline.State().SetChatOnline(kAmy, false);
  engine->PollOnce();
  EXPECT_EQ(view.log->Calls(),
            (std::vector<ViewCall>{
                {"refill", "HV8 Bob Ray+;HV1234 John Doe+;HV1 Halvorn Operations-;HV7 Amy Lee-;", ""},
                {"line", "HV7 Amy Lee is offline.", "notify"}}));
  EXPECT_EQ(view.log->Count("alert"), 0u);
}

TEST_F(ChatEngineTest, UsersAreListedByNumberWhileThePilotIsOffline) {
  airline.State().SetChatOnline(kAmy, true);
  Join(*engine);
  auto labels = [&] {
    std::string text;
    for (const ChatUser& user : engine->SortedUsers()) text += user.listLabel + ";";
    return text;
  };
  EXPECT_EQ(labels(), "HV7 Amy Lee;HV1234 John Doe;HV1 Halvorn Operations;");
  engine->GoOffline();
  EXPECT_EQ(labels(), "HV1 Halvorn Operations;HV7 Amy Lee;HV1234 John Doe;");
}

TEST_F(ChatEngineTest, MessagesOfTheFirstReplyAreShownWithoutAnAlert) {
  airline.State().PostChat("message", kAmy, 0, "backlog");
  Join(*engine);
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::Received)), std::vector<std::string>{"HV7 Amy Lee: backlog"});
  EXPECT_EQ(view.log->Count("alert"), 0u);

  airline.State().PostChat("message", kAmy, 0, "news");
  engine->PollOnce();
  EXPECT_EQ(view.log->Lines(ChatLineKind::Received).back().text, "HV7 Amy Lee: news");
  EXPECT_EQ(view.log->Count("alert"), 1u);
}

// Replies the stand-in airline never gives, from a scripted server.
class ChatRawReply : public ChatEngineTest {
 protected:
  void Answer(const std::string& body) {
    raw = std::make_unique<test::RawHttpServer>([body](int socket, test::RawHttpServer& server) {
      server.ReadRequest(socket);
      test::RawHttpServer::SendAll(socket, test::HttpReply(body));
    });
    SetVariable("server", raw->Host());
  }

  std::unique_ptr<test::RawHttpServer> raw;
};

TEST_F(ChatRawReply, TimeStampAndMessageRecords) {
  Join(*engine);
  Answer("timestamp*^|(12345{~!+message*^|(7:hello{~!+");
  engine->PollOnce();
  EXPECT_EQ(engine->LastTimeStamp(), "12345");
  EXPECT_EQ(view.log->Lines(ChatLineKind::Received), (std::vector<ViewCall>{{"line", "HV7 Amy Lee: hello", "received"}}));
  EXPECT_EQ(view.log->Count("alert"), 1u);
}

TEST_F(ChatRawReply, StrangeRecordsAndUnknownSenders) {
  Join(*engine);
  const std::string stamp = engine->LastTimeStamp();
  view.log->Clear();
  Answer("timestamp99{~!+message*^|(99:who{~!+private*^|(99:psst{~!+private*^|(7:hi{~!+admin*^|(Notice{~!+"
         "weather*^|(fine{~!+online*^|(x7{~!+online*^|(7{~!+online*^|(7{~!+message*^|(nocolon{~!+message*^|(7:cut");
  engine->PollOnce();
  EXPECT_EQ(engine->LastTimeStamp(), stamp);
  EXPECT_EQ(view.log->Calls(), (std::vector<ViewCall>{
                                   {"line", "HV99: who", "received"},
                                   {"line", "Private message from HV99: psst", "private"},
                                   {"line", "Private message from HV7 Amy Lee: hi", "private"},
                                   {"line", "Notice", "admin"},
                                   {"line", "HV7 Amy Lee is online.", "notify"},
                                   {"line", "HV: nocolon", "received"},
                                   {"refill", "HV7 Amy Lee+;HV1 Halvorn Operations-;HV1234 John Doe-;", ""},
                                   {"line", "HV1234 John Doe is offline.", "notify"},
                                   {"alert", "", ""}}));
}

TEST_F(ChatEngineTest, SendWhileOfflineAsksFirst) {
  ASSERT_GT(engine->FetchUsers(), 0);
  boxes.Answer(MessageResult::No);
  engine->Send("dropped");
  engine->PollOnce();
  EXPECT_FALSE(engine->Online());
  EXPECT_TRUE(view.log->Calls().empty());
  EXPECT_TRUE(RequestsTo(Route::ChatPresence).empty());
  EXPECT_TRUE(RequestsTo(Route::ChatExchange).empty());

  boxes.Answer(MessageResult::Yes);
  engine->Send("kept");
  EXPECT_TRUE(engine->Online());
  EXPECT_EQ(view.log->Calls(), (std::vector<ViewCall>{{"button", "Online", ""}, {"line", "kept", ""}}));
  EXPECT_EQ(RequestsTo(Route::ChatPresence).back().values, (std::vector<std::string>{"1234", "1"}));
  engine->PollOnce();
  EXPECT_EQ(PostedTexts(), std::vector<std::string>{"kept"});

  ASSERT_EQ(boxes.Shown().size(), 2u);
  for (const auto& box : boxes.Shown()) {
    EXPECT_EQ(box.text, kAskGoOnline);
    EXPECT_EQ(box.caption, kProgramCaption);
    EXPECT_EQ(box.flags, MessageKind::Question);
    EXPECT_EQ(box.owner, test::FakeChatView::kHandle);
  }
}

TEST_F(ChatEngineTest, OwnMessagesAreEchoedAndSentAsTyped) {
  Join(*engine);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"@@PRIV42:hi", "Private message sent to HV42: hi"},
      {"@@PRIV42:a:b", "Private message sent to HV42: a:b"},
      {"@@ADMIN:Briefing at 18z", "Admin message posted: Briefing at 18z"},
      {"@@PRIV no colon", "@@PRIV no colon"},
      {"@@ADMIN no colon", "@@ADMIN no colon"},
      {"time: 18z", "time: 18z"},
  };
  std::vector<std::string> typed{"1234", engine->LastTimeStamp()};
  std::vector<std::string> echoes;
  for (const auto& [text, echo] : cases) {
    engine->Send(text);
    typed.push_back(text);
    echoes.push_back(echo);
  }
  typed.push_back("");
  engine->PollOnce();
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::OwnEcho)), echoes);
  EXPECT_EQ(LastExchangeValues(), typed);
}

TEST_F(ChatEngineTest, AdminPrefixComesFromTheServer) {
  engine->LoadServerVariables({{"chatAdminPrefix", "!!"}});
  Join(*engine);
  engine->Send("!!:x");
  engine->Send("@@ADMIN:y");
  engine->LoadServerVariables({});
  engine->Send(":z");
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::OwnEcho)),
            (std::vector<std::string>{"Admin message posted: x", "@@ADMIN:y", ":z"}));
}

TEST_F(ChatEngineTest, SeparatorsCannotTravelInsideAMessage) {
  Join(*engine);
  engine->Send("a*^|(b{~!+c");
  engine->Send("*^*^|(|({~!+");
  engine->Send("admin*^|(forged{~!+");
  engine->PollOnce();
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::OwnEcho)), (std::vector<std::string>{"abc", "adminforged"}));
  EXPECT_EQ(PostedTexts(), (std::vector<std::string>{"abc", "adminforged"}));
}

TEST_F(ChatEngineTest, NothingTravelsWithoutInternet) {
  InstallInternetStateProbe([] { return false; });
  EXPECT_EQ(engine->FetchUsers(), -1);
  engine->GoOnline();
  engine->Send("hello");
  engine->PollOnce();
  EXPECT_TRUE(engine->Online());
  EXPECT_TRUE(airline.State().Requests().empty());
  EXPECT_TRUE(view.log->Calls().empty());
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, kNoInternet);
  EXPECT_EQ(boxes.Shown()[0].flags, MessageKind::Information);
  EXPECT_EQ(boxes.Shown()[0].owner, test::FakeChatView::kHandle);

  InstallInternetStateProbe([] { return true; });
  engine->PollOnce();
  EXPECT_EQ(LastExchangeValues().size(), 2u);
}

TEST_F(ChatEngineTest, UnansweredBlockIsReportedNotResent) {
  for (FaultKind kind : {FaultKind::Empty, FaultKind::Error, FaultKind::NotFound}) {
    SCOPED_TRACE(airline::FaultKindName(kind));
    Join(*engine);
    const std::string stamp = engine->LastTimeStamp();
    view.log->Clear();
    engine->Send("first");
    engine->Send("second");
    airline.Faults().Set(Route::ChatExchange, test::MakeFault(kind, "", 0, 1));
    engine->PollOnce();
    EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::Notify)),
              (std::vector<std::string>{"The server did not confirm this message: first",
                                        "The server did not confirm this message: second"}));
    EXPECT_EQ(view.log->Count("refill"), 0u);
    EXPECT_EQ(engine->LastTimeStamp(), stamp);

    engine->PollOnce();
    EXPECT_EQ(LastExchangeValues(), (std::vector<std::string>{"1234", stamp}));
    EXPECT_TRUE(PostedTexts().empty());
  }
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Injected failure."});
}

TEST_F(ChatEngineTest, KnownUsersKeepTheirPresenceWhenFetchedAgain) {
  airline.State().SetChatOnline(kAmy, true);
  Join(*engine);
  ASSERT_GT(engine->FetchUsers(), 0);
  engine->PollOnce();
  EXPECT_TRUE(view.log->Lines(ChatLineKind::Notify).empty());
}

TEST_F(ChatEngineTest, RefreshIntervalFromTheServerHasAFloor) {
  test::FakeChatView window;
  EXPECT_EQ(ChatEngine(window).RefreshIntervalMs(), 5000);
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"8000", 8000}, {"1000", 1000}, {"250", 1000}, {"0", 1000}, {"abc", 1000}, {"-5", 1000},
      {"99999999999", INT32_MAX}};
  for (const auto& [value, expected] : cases) {
    engine->LoadServerVariables({{"chatRefreshTime", value}});
    EXPECT_EQ(engine->RefreshIntervalMs(), expected) << value;
  }
  engine->LoadServerVariables({});
  EXPECT_EQ(engine->RefreshIntervalMs(), 1000);
}

// Two pilots on one airline; the store holds one pilot at a time, so each
// pilot's actions run with his own details stored.
TEST_F(ChatEngineTest, TwoPilotsTalkAndSeeEachOtherComeAndGo) {
  test::FakeChatView amyView;
  auto amy = MakeEngine(amyView);
  auto asAmy = [&](auto action) {
    Database().WritePilotInfo({"amy", "pw", "7"});
    action();
    Database().WritePilotInfo({kUser, kPassword, kPilotNumber});
  };

  Join(*engine);
  asAmy([&] { Join(*amy); });
  engine->PollOnce();
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::Notify)), std::vector<std::string>{"HV7 Amy Lee is online."});
  EXPECT_TRUE(amyView.log->Lines(ChatLineKind::Notify).empty());

  engine->Send("hello all");
  engine->PollOnce();
  asAmy([&] {
    amy->Send("@@PRIV1234:psst");
    amy->PollOnce();
  });
  EXPECT_EQ(Texts(amyView.log->Lines(ChatLineKind::Received)), std::vector<std::string>{"HV1234 John Doe: hello all"});
  EXPECT_EQ(amyView.log->Count("alert"), 1u);

  engine->PollOnce();
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::Private)),
            std::vector<std::string>{"Private message from HV7 Amy Lee: psst"});
  EXPECT_TRUE(view.log->Lines(ChatLineKind::Received).empty());

  asAmy([&] { amy->GoOffline(); });
  engine->PollOnce();
  EXPECT_EQ(view.log->Lines(ChatLineKind::Notify).back().text, "HV7 Amy Lee is offline.");
  asAmy([&] { amy->GoOnline(); });
  engine->PollOnce();
  EXPECT_EQ(Texts(view.log->Lines(ChatLineKind::Notify)),
            (std::vector<std::string>{"HV7 Amy Lee is online.", "HV7 Amy Lee is offline.", "HV7 Amy Lee is online."}));
}

}  // namespace
}  // namespace kestrix
