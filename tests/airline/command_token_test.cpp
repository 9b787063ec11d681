#include "airline/command_token.h"

#include <gtest/gtest.h>

#include "airline/airline_state.h"
#include "support/fake_clock.h"
#include "protocol/reply_format.h"
#include "protocol/scramble.h"
#include "wire_test_support.h"

namespace kestrix::airline {
namespace {

TEST(CommandToken, TokensOfTheProgramDecodeToTheirCommandAndTime) {
  kestrix::test::ScopedFakeClock clock(1'765'000'000);
  for (const std::string& command : std::vector<std::string>{"GETSCHEDULE", "X", std::string(300, 'c'), "a#b"}) {
    const auto decoded = DecodeCommandToken(EncodeCommand(command));
    ASSERT_TRUE(decoded) << command;
    EXPECT_EQ(decoded->command, command);
    EXPECT_EQ(decoded->sentAt, 1'765'000'000);
  }
}

TEST(CommandToken, AnythingElseIsRefused) {
  auto scrambledHex = [](std::string text) {
    ScrambleValue(text);
    return HexEncode(text);
  };
  std::string badHeader = HexEncode("\x7f\x05" "abc");
  const std::vector<std::string> tokens{"", "ABC", "ZZ", badHeader, scrambledHex("1765000000"),
                                        scrambledHex("#GETSCHEDULE"), scrambledHex("17x5#GETSCHEDULE"),
                                        scrambledHex("1765000000#")};
  for (const std::string& token : tokens) {
    EXPECT_FALSE(DecodeCommandToken(token)) << token;
  }
}

TEST(CommandToken, HexDecodeTakesEitherCase) {
  EXPECT_EQ(HexDecode("00ff7Fa0"), std::string("\x00\xff\x7f\xa0", 4));
  EXPECT_FALSE(HexDecode("0g"));
}

TEST(CommandToken, TheServerAnswersUndecodableOrUnknownCommandsWithError) {
  AirlineState state;
  const auto& wire = Wire();
  EXPECT_TRUE(state.Handle(wire.pageSchedule + "NOTHEX&v=demo%23demo%23203999").body.starts_with("ERROR:"));
  EXPECT_TRUE(state.Handle(wire.pageSchedule + "&v=demo").body.starts_with("ERROR:"));
  // A real command, but one the chat page does not serve.
  EXPECT_TRUE(state.Handle(test::CommandTarget(wire.pageChat, "GETSCHEDULE", {"1234"})).body.starts_with("ERROR:"));
  EXPECT_EQ(state.Handle(test::CommandTarget(wire.pageSchedule, "VERIFYPILOT", {"demo", "demo"})).body,
            "OK=1234$");
}

}  // namespace
}  // namespace kestrix::airline
