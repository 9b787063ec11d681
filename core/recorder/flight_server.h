#pragma once

#include <string>

#include "platform/message_box.h"

namespace kestrix {

struct LiveFeedRecord;

// The airline's server as the recorder uses it. The default one goes through
// the server link; the flight window may hand in its own filing.
class FlightServer {
 public:
  virtual ~FlightServer() = default;
  virtual bool IsInternetConnected() = 0;
  // A live report (`full`) or the offline notice; the result is not used.
  virtual void SendLiveReport(const LiveFeedRecord& record, bool full) = 0;
  virtual void UploadFlightPlan(const std::string& pilotNumber, const std::string& flightId,
                                const std::string& filePath) = 0;
  // Files the stored report of the flight; shows its own messages.
  virtual bool FileFlightReport(WindowHandle owner, const std::string& flightId) = 0;
};

// The airline's server through the server link, owned by `owner`.
class LinkedFlightServer : public FlightServer {
 public:
  explicit LinkedFlightServer(WindowHandle owner = nullptr) : owner(owner) {}
  bool IsInternetConnected() override;
  void SendLiveReport(const LiveFeedRecord& record, bool full) override;
  void UploadFlightPlan(const std::string& pilotNumber, const std::string& flightId,
                        const std::string& filePath) override;
  bool FileFlightReport(WindowHandle owner, const std::string& flightId) override;

 private:
  WindowHandle owner;
};

}  // namespace kestrix
