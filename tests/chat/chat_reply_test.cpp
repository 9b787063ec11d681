#include <gtest/gtest.h>

#include "chat/chat_reply.h"

namespace kestrix {
namespace {

struct ReplyCase {
  const char* name;
  std::string reply;
  std::vector<ChatRecord> records;
};

class ChatReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ChatReply, YieldsItsRecords) { EXPECT_EQ(ParseChatReply(GetParam().reply), GetParam().records); }

INSTANTIATE_TEST_SUITE_P(
    Grammar, ChatReply,
    ::testing::Values(
        ReplyCase{"Empty", "", {}},
        ReplyCase{"NoEntrySeparator", "timestamp*^|(5", {}},
        ReplyCase{"InOrder",
                  "timestamp*^|(12345{~!+message*^|(7:hello{~!+",
                  {{"timestamp", "12345"}, {"message", "7:hello"}}},
        ReplyCase{"ValueKeepsLaterFieldSeparators", "admin*^|(a*^|(b{~!+", {{"admin", "a*^|(b"}}},
        ReplyCase{"RecordWithoutFieldSeparatorIgnored",
                  "online7{~!+online*^|(7{~!+{~!+",
                  {{"online", "7"}}},
        ReplyCase{"TextAfterLastEntryIgnored", "online*^|(7{~!+message*^|(7:cut", {{"online", "7"}}},
        ReplyCase{"EmptyKeyAndValue", "*^|({~!+", {{"", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrix
