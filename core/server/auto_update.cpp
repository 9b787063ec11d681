#include "server/auto_update.h"

#include <openssl/evp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/clock.h"
#include "platform/program_launcher.h"
#include "server/command_request.h"
#include "store/database.h"

namespace kestrix {
namespace {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

// The next part of a version text, up to its next "."; without a "." the
// number is the whole rest and the rest stays as it is.
unsigned TakeVersionPart(std::string_view& text) {
  const size_t dot = text.find('.');
  const auto part = static_cast<unsigned>(LeadingDecimal(text.substr(0, dot)));
  if (dot != std::string_view::npos) text.remove_prefix(dot + 1);
  return part;
}

void Inform(const char* text, unsigned kind) { ShowMessageBox(nullptr, text, kProgramCaption, kind); }

}  // namespace

unsigned VersionNumber(std::string_view text) {
  const unsigned a = TakeVersionPart(text);
  const unsigned b = TakeVersionPart(text);
  const auto c = static_cast<unsigned>(LeadingDecimal(text));
  return a * 1000000u + b * 10000u + c;
}

std::string ProgramFileVersion() { return KESTRIX_FILE_VERSION; }

std::string Md5Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) return "";
  std::string text;
  char pair[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    text += pair;
  }
  return text;
}

int CheckForUpdate(ServerLink& link, const ReplyMap& versionInfo) {
  ServerVariables variables;
  if (Database(link.owner).ReadServerVariables(variables) == 0) return -1;
  const std::string current = ProgramFileVersion();
  const std::string offered = Variable(versionInfo, "Version");
  if (VersionNumber(current) >= VersionNumber(offered)) return 0;

  char question[256];
  std::snprintf(question, sizeof question,
                "A new version is available.\n\nCurrent Version: %s\nNewVersion: %s\n\nWould you like to update?",
                current.c_str(), offered.c_str());
  if (ShowMessageBox(nullptr, question, kProgramCaption, MessageKind::Question) != MessageResult::Yes) return 1;

  const std::string url = "http://" + Variable(variables, "server") + Variable(variables, "baseDir") +
                          Variable(variables, "updateStub") + "?mt=" + std::to_string(NowSeconds());
  if (!DownloadToFile(url, kUpdaterFileName, link.timeouts)) return -1;

  std::string bytes;
  if (!ReadWholeFile(kUpdaterFileName, bytes)) {
    Inform("Unable to open the auto-update file.", MessageKind::Information);
    return -1;
  }
  if (Md5Hex(bytes) != Variable(versionInfo, "UpdaterHash")) {
    Inform("The auto-updater file does not seem to be valid.", MessageKind::Information);
    std::error_code ignored;
    std::filesystem::remove(kUpdaterFileName, ignored);
    return -1;
  }
  std::error_code ignored;
  std::filesystem::permissions(kUpdaterFileName, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add,
                               ignored);
  if (!LaunchProgram(kUpdaterFileName)) {
    Inform("There was an error starting the update program.", MessageKind::Error);
    return -1;
  }
  return 2;
}

}  // namespace kestrix
