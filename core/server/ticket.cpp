#include "server/ticket.h"

#include "platform/internet_state.h"
#include "server/command_request.h"

namespace kestrix {

std::string TicketKind(std::string_view flightType) {
  if (flightType == "SPL") return "ticket";
  if (flightType == "SCH") return "planbook";
  if (flightType == "GA") return "ga";
  return "";
}

bool FetchTicketImages(ServerLink& link, const std::string& flightId, const std::string& flightType,
                       std::string& front, std::string& back) {
  const std::string kind = TicketKind(flightType);
  if (kind.empty() || !IsInternetConnected()) return false;
  const ServerVariables variables = StoredServerVariables();
  const std::string host = Variable(variables, "server");
  const std::string object = Variable(variables, "imagePage") + "?flightid=" + flightId + "&rectype=" + kind + "&ticktype=";
  auto fetch = [&](const char* side, std::string& image) {
    image.clear();
    if (!SendHttpRequest(link, host, object + side, image, true)) image.clear();
  };
  fetch("f", front);
  fetch("b", back);
  return true;
}

}  // namespace kestrix
