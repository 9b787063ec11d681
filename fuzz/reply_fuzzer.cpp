// The reply grammar and the helpers every server reply passes through.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/command_request.h"
#include "protocol/reply_format.h"

using namespace kestrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  ReplyMap parsed;
  if (ParseReply(text, parsed)) {
    for (const auto& [key, value] : parsed) {
      LeadingDecimal(value);
      DecodeEntities(value);
    }
  }
  ReplyMap checked;
  std::string message;
  CheckReply(true, text, checked, message);
  CheckReply(false, text, checked, message);

  std::string spaced = text;
  RemoveSpaces(spaced);
  if (spaced.find(' ') != std::string::npos) __builtin_trap();
  DecodeEntities(text);
  IsGuidString(text);
  LeadingDecimal(text);
  return 0;
}
