#include "server/live_feed.h"

#include "platform/internet_state.h"
#include "scrambled/server_strings.h"
#include "server/command_request.h"
#include "store/string_protection.h"

namespace kestrix {

LiveFeedRecord OfflineNotice(int32_t pilotNumber) {
  LiveFeedRecord record;
  record.pilotNumber = pilotNumber;
  return record;
}

std::string LiveFeedValues(const LiveFeedRecord& record, bool full) {
  const std::string pilot = std::to_string(record.pilotNumber);
  if (!full) return JoinValues({pilot, "DELETE"});
  auto number = [](int32_t value) { return std::to_string(value); };
  return JoinValues({pilot, record.flightKey, number(record.altitude), number(record.heading),
                     number(record.trueAirspeed), record.departure, record.arrival, StreamText(record.latitude),
                     StreamText(record.longitude), record.aircraft, number(record.minutesFlown),
                     number(record.reportTime), record.flightNumber, record.airline, number(record.fuelRemaining),
                     number(record.fuelCapacity), number(record.outsideAirTemp), number(record.fuelUsed),
                     StreamText(record.landingRate), number(record.groundSpeed), record.wind});
}

bool SendLiveReport(ServerLink& link, const LiveFeedRecord& record, bool full) {
  if (!IsInternetConnected()) return false;
  const std::string object = ComposeCommandObject(Reveal(scrambled::PageSchedule), Reveal(scrambled::CmdLiveReport),
                                                  LiveFeedValues(record, full));
  std::string reply;
  SendHttpRequest(link, StoredServerHost(), object, reply, false);
  return !reply.empty() && !reply.starts_with("ERROR:") && reply.find('$') != std::string::npos;
}

}  // namespace kestrix
