#include "server/account.h"

#include <memory>
#include <mutex>
#include <utility>

#include "platform/internet_state.h"
#include "platform/seam.h"
#include "scrambled/server_strings.h"
#include "server/command_request.h"
#include "store/database.h"
#include "store/string_protection.h"

namespace kestrix {
namespace {

std::mutex hostMutex;
std::string variablesHost;

Seam<PilotInfoDialogRunner>& DialogSeam() {
  static Seam<PilotInfoDialogRunner> seam;
  return seam;
}

constexpr int kPilotInfoCancelled = 1;

int RunPilotInfoDialog(WindowHandle owner) {
  auto runner = DialogSeam().Get();
  return runner ? (*runner)(owner) : kPilotInfoCancelled;
}

}  // namespace

void SetServerVariablesHost(std::string host) {
  std::lock_guard lock(hostMutex);
  variablesHost = std::move(host);
}

std::string ServerVariablesHost() {
  {
    std::lock_guard lock(hostMutex);
    if (!variablesHost.empty()) return variablesHost;
  }
  return Reveal(scrambled::HostServerVariables);
}

int DownloadServerVariables(ServerLink& link) {
  std::string text;
  if (FetchSettingsPage(link, ServerVariablesHost(), Reveal(scrambled::PageServerVars), text) < 0) {
    ShowMessageBox(link.owner, "There was an error retrieving the server settings.", kProgramCaption,
                   MessageKind::Information);
    return -1;
  }
  RemoveSpaces(text);
  Database().StoreServerVariablesReply(text);
  return 0;
}

bool GetServerVersionInfo(ServerLink& link, ReplyMap& versionInfo) {
  std::string text;
  if (FetchSettingsPage(link, StoredServerHost(), Reveal(scrambled::PageVersion), text) != 0) return false;
  ParseReply(text, versionInfo);
  return true;
}

bool VerifyPilot(ServerLink& link, const std::string& userName, const std::string& password, std::string& result) {
  const std::string object =
      ComposeCommandObject(Reveal(scrambled::PageSchedule), Reveal(scrambled::CmdVerifyPilot), JoinValues({userName, password}));
  ReplyMap parsed;
  return SendCommand(link, object, parsed, result);
}

void InstallPilotInfoDialog(PilotInfoDialogRunner runner) {
  DialogSeam().Install(runner ? std::make_shared<PilotInfoDialogRunner>(std::move(runner)) : nullptr);
}

bool EstablishPilotIdentity(WindowHandle owner) {
  const PilotInfo info = StoredPilotInfo();
  bool valid = false;
  if (!info.username.empty()) {
    if (IsInternetConnected()) {
      ServerLink link{.owner = owner};
      std::string pilotNumber;
      valid = VerifyPilot(link, info.username, info.password, pilotNumber) && pilotNumber == info.pilotNumber;
    } else {
      valid = !info.pilotNumber.empty();
    }
  }
  if (valid) return true;
  return RunPilotInfoDialog(owner) != kPilotInfoCancelled;
}

}  // namespace kestrix
