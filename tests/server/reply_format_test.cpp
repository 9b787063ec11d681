#include "protocol/reply_format.h"

#include <gtest/gtest.h>

#include <set>

#include "raw_http_server.h"
#include "server/command_request.h"
#include "store/string_protection.h"
#include "support/fake_clock.h"

namespace kestrix {
namespace {

struct ParseCase {
  const char* reply;
  bool ok;
  ReplyMap pairs;
};

TEST(ReplyFormat, ParseReplyFollowsTheRecordGrammar) {
  const ParseCase cases[] = {
      {"OK=TRUE$", true, {{"OK", "TRUE"}}},
      {"A=1#B=2#C=3$", true, {{"A", "1"}, {"B", "2"}, {"C", "3"}}},
      {"A=1#B=x=y$", true, {{"A", "1"}, {"B", "x=y"}}},
      {"A=$1#B=2X", true, {{"A", "$1"}, {"B", "2"}}},
      {"A=1#B=2#A=3$", true, {{"A", "3"}, {"B", "2"}}},
      {"A=1#junk#$", true, {{"A", "1"}, {"junk", "junk"}}},
      {"a=1#b=2#$", true, {{"a", "1"}, {"b", "2"}}},
      {"A=1#B=2", false, {}},
      {"A$", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    ReplyMap parsed;
    EXPECT_EQ(ParseReply(c.reply, parsed), c.ok);
    EXPECT_EQ(parsed, c.pairs);
  }
}

TEST(ReplyFormat, CheckReplyStopsAtTheFirstFailure) {
  const struct {
    bool requestOk;
    const char* reply;
    bool ok;
    const char* message;
  } cases[] = {
      {false, "OK=TRUE$", false, "There was an error contacting the server."},
      {true, "", false, "The server returned an empty page."},
      {true, "ERROR:Bad pilot", false, "Bad pilot"},
      {true, "ERROR:", false, ""},
      {true, "<html>oops</html>", false, "An invalid page was returned from the server."},
      {true, "OK=TRUE#REPORTID=1234$", true, "TRUE"},
      {true, "X=1$", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    ReplyMap parsed;
    std::string message = "unchanged";
    EXPECT_EQ(CheckReply(c.requestOk, c.reply, parsed, message), c.ok);
    EXPECT_EQ(message, c.message);
  }
}

TEST(ReplyFormat, EncodedCommandUnscramblesToTimeAndCommand) {
  test::ScopedFakeClock clock(1'700'000'123);
  EXPECT_EQ(EncodeCommand(""), "");
  for (const std::string command : {"X", "GETSCHEDULE"}) {
    const std::string token = EncodeCommand(command);
    ASSERT_EQ(token.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    std::string bytes;
    for (size_t i = 0; i + 1 < token.size(); i += 2) bytes += static_cast<char>(std::stoi(token.substr(i, 2), nullptr, 16));
    const auto a = static_cast<unsigned char>(bytes[0]);
    const auto b = static_cast<unsigned char>(bytes[1]);
    const std::string plain = "1700000123#" + command;
    EXPECT_EQ(token.size(), 2 * (2 + a + b + 2 * plain.size()));
    EXPECT_EQ(bytes.find('\0'), std::string::npos);
    DecipherString(bytes);
    EXPECT_EQ(bytes, plain);
  }
}

TEST(ReplyFormat, EntitiesDecodeInTableOrder) {
  const std::pair<const char*, const char*> cases[] = {
      {"O&apos;Hare", "O'Hare"},
      {"&amp;lt;", "<"},
      {"&amp;amp;amp;", "&"},
      {"& #34;q& #34; &quot;", "\"q\" \""},
      {"&34;&39;&38;&60;&62;", "\"'&<>"},
      {"&#34; stays", "&#34; stays"},
      {"a &gt; b &lt; c", "a > b < c"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(DecodeEntities(in), out) << in;
}

TEST(ReplyFormat, SmallTextRoutines) {
  std::string text = "aXbXXc";
  ReplaceAll(text, "X", "XX");
  EXPECT_EQ(text, "aXXbXXXXc");
  ReplaceAll(text, "", "y");
  EXPECT_EQ(text, "aXXbXXXXc");
  std::string line = "A&B&";
  ReplaceAll(line, "&", "0x38");
  EXPECT_EQ(line, "A0x38B0x38");

  std::string spaced = " a = 1 ";
  EXPECT_TRUE(RemoveSpaces(spaced));
  EXPECT_EQ(spaced, "a=1");
  std::string empty;
  EXPECT_FALSE(RemoveSpaces(empty));

  EXPECT_TRUE(IsGuidString(std::string(36, 'z')));
  EXPECT_FALSE(IsGuidString(std::string(35, 'a')));
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    const std::string guid = NewGuidString();
    ASSERT_EQ(guid.size(), 36u);
    for (size_t at : {8, 13, 18, 23}) EXPECT_EQ(guid[at], '-');
    EXPECT_EQ(guid.find_first_not_of("0123456789abcdef-"), std::string::npos);
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 20u);
}

TEST(ReplyFormat, NumbersReadUpToTheFirstNonDigit) {
  const std::pair<const char*, long long> cases[] = {
      {"40", 40}, {" 12abc", 12}, {"-7", -7}, {"", 0}, {"x1", 0}, {"99999999999999999999999", 1'000'000'000'000'000LL},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingDecimal(text), value) << text;
  EXPECT_EQ(StreamText(45.123456789), "45.1235");
  EXPECT_EQ(StreamText(-250), "-250");
  EXPECT_EQ(StreamText(1234567.0), "1.23457e+06");
}

TEST(ReplyFormat, SettingsPageBecomesOneRecord) {
  const struct {
    const char* body;
    int result;
    const char* text;
  } cases[] = {
      {"a=1\r\nb=2\r\n", 0, "a=1#b=2#$"},
      {"a=1\nb=2", 0, "a=1\nb=2$"},
      {"motd=Page Not Found today\r\n", -2, ""},
      {"<h1>PAGE NOT FOUND</h1>", -2, ""},
      {"", -1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    test::RawHttpServer server([&](int socket, test::RawHttpServer& raw) {
      raw.ReadRequest(socket);
      test::RawHttpServer::SendAll(socket, test::HttpReply(c.body));
    });
    ServerLink link;
    std::string text;
    EXPECT_EQ(FetchSettingsPage(link, server.Host(), "/vars.txt", text), c.result);
    EXPECT_EQ(text, c.text);
  }
}

}  // namespace
}  // namespace kestrix
