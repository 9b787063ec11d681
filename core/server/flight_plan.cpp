#include "server/flight_plan.h"

#include <fstream>
#include <iterator>

#include "scrambled/server_strings.h"
#include "server/command_request.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

constexpr const char* kUnknownFailure = "There was an unknown error uploading the flight plan.";

// The file as a text-mode read gives it: each CR LF becomes one LF.
bool ReadTextFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ReplaceAll(raw, "\r\n", "\n");
  text = std::move(raw);
  return true;
}

// The name after the last directory separator of either kind.
std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string PrepareFlightPlanText(std::string text) {
  text = DecodeEntities(std::move(text));
  for (char& c : text) {
    switch (c) {
      case '\r':
      case '\n':
        c = '$';
        break;
      case '\'':
        c = '^';
        break;
      case ' ':
        c = '!';
        break;
      case '+':
        c = '_';
        break;
      default:
        break;
    }
  }
  return text;
}

bool UploadFlightPlan(ServerLink& link, const std::string& pilotNumber, const std::string& flightId,
                      const std::string& filePath) {
  std::string text;
  if (!ReadTextFile(filePath, text) || text.empty()) return true;
  const std::string name = FileName(filePath);
  const std::string plan = PrepareFlightPlanText(std::move(text));
  const size_t chunks = (plan.size() + kFlightPlanChunkSize - 1) / kFlightPlanChunkSize;
  const std::string page = Reveal(scrambled::PagePlanUpload);
  const std::string host = StoredServerHost();
  std::string message = kUnknownFailure;
  std::string tempName;
  bool failed = false;
  for (size_t k = 1; k <= chunks; ++k) {
    std::string object = page + "?ch=" + std::to_string(chunks - k);
    if (!tempName.empty()) object += "&tfn=" + tempName;
    object += "&pn=" + pilotNumber + "&fi=" + flightId + "&fpn=" + name + "&fp=" +
              plan.substr(kFlightPlanChunkSize * (k - 1), kFlightPlanChunkSize);
    std::string reply;
    const bool sent = SendHttpRequest(link, host, object, reply, false);
    ReplyMap parsed;
    std::string checkMessage;
    if (!CheckReply(sent, reply, parsed, checkMessage)) {
      // The chunks that follow build on this one: sending them only keeps
      // the pilot waiting on a server that already failed.
      failed = true;
      message = checkMessage;
      break;
    }
    if (k == chunks && Variable(parsed, "OK") != "TRUE") failed = true;
    if (parsed.contains("TempFilename")) tempName = parsed["TempFilename"];
  }
  if (failed) ShowMessageBox(nullptr, message, kFlightPlanCaption, MessageKind::Information);
  return !failed;
}

}  // namespace kestrix
