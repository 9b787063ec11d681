#pragma once

#include <string>
#include <vector>

#include "airline/wire_names.h"
#include "protocol/reply_format.h"

namespace kestrix::airline::test {

// A command request as the program composes it.
inline std::string CommandTarget(const std::string& page, const std::string& command,
                                 const std::vector<std::string>& values, const std::string& separator = "%23") {
  std::string target = page + EncodeCommand(command) + "&v=";
  for (size_t i = 0; i < values.size(); ++i) target += (i ? separator : "") + values[i];
  return target;
}

}  // namespace kestrix::airline::test
