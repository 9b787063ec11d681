#include "recorder/flight_server.h"

#include "platform/internet_state.h"
#include "server/filing.h"
#include "server/flight_plan.h"
#include "server/live_feed.h"

namespace kestrix {

bool LinkedFlightServer::IsInternetConnected() { return kestrix::IsInternetConnected(); }

void LinkedFlightServer::SendLiveReport(const LiveFeedRecord& record, bool full) {
  ServerLink link{owner};
  kestrix::SendLiveReport(link, record, full);
}

void LinkedFlightServer::UploadFlightPlan(const std::string& pilotNumber, const std::string& flightId,
                                          const std::string& filePath) {
  ServerLink link{owner};
  kestrix::UploadFlightPlan(link, pilotNumber, flightId, filePath);
}

bool LinkedFlightServer::FileFlightReport(WindowHandle window, const std::string& flightId) {
  return kestrix::FileFlightReport(window, flightId);
}

}  // namespace kestrix
