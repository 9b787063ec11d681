#pragma once

#include <map>
#include <string>

#include "airline/faults.h"

namespace kestrix::airline {

// The page names and command tokens, deciphered from the same scrambled list
// the program carries, so both sides always agree.
struct WireNames {
  std::string pageFlights;
  std::string pageSchedule;
  std::string pageChat;
  std::string pagePlanUpload;
  std::string pageServerVars;
  std::string pageVersion;
  // Command token to route, for each command page.
  std::map<std::string, std::map<std::string, Route>> commands;
};

const WireNames& Wire();

}  // namespace kestrix::airline
