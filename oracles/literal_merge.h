#pragma once

#include <vector>

#include "protocol/reply_format.h"
#include "store/records.h"

namespace kestrix::oracle {

// The merge of a downloaded schedule written as plain nested loops, kept as
// the reference that the linear merge must match entry for entry.
inline void LiteralMerge(std::vector<AvailableFlight> stored, std::vector<AvailableFlight>& list) {
  using namespace FlightStatus;
  for (auto& s : stored) {
    for (auto& n : list) {
      if (n.flightId != s.flightId) continue;
      if (IsGuidString(s.flightId) && (s.status & StatusFiled)) {
        s.status = 0;
        n.localId = "";
        n.status = 0;
      } else {
        n.localId = s.localId;
        n.status = s.status;
        if (n.status & StatusRetained) n.status = 0;
      }
    }
  }
  for (auto& s : stored) {
    bool matched = false;
    for (const auto& n : list) {
      if (n.flightId == s.flightId) {
        matched = true;
        break;
      }
    }
    if (matched) continue;
    if (s.status & StatusRemoved) {
      if (!(s.status & StatusRetained)) {
        s.status |= StatusRetained;
        list.push_back(s);
      }
    } else if (s.status & StatusCompleted) {
      list.push_back(s);
    }
  }
}

}  // namespace kestrix::oracle
