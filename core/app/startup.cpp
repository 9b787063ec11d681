#include "app/startup.h"

#include <filesystem>
#include <system_error>

#include "platform/clock.h"
#include "platform/internet_state.h"
#include "platform/message_box.h"
#include "platform/named_lock.h"
#include "server/account.h"
#include "server/auto_update.h"
#include "store/database.h"

namespace kestrix {
namespace {

constexpr int kSplashPauseMs = 1000;

void Tell(const char* text, unsigned kind) { ShowMessageBox(nullptr, text, kProgramCaption, kind); }

void RemoveLeftOverUpdater() {
  std::error_code failed;
  if (!std::filesystem::exists(kUpdaterFileName, failed)) return;
  // The updater may be write-protected; removing it from its folder is what counts.
  if (!std::filesystem::remove(kUpdaterFileName, failed) || failed) {
    Tell("There was an error deleting the updater file.\nPlease manually delete the \"KestrixV2UpdateStub.exe\" file.",
         MessageKind::Information);
  }
}

std::string StoredVariablesVersion(bool& present) {
  ServerVariables variables;
  Database().ReadServerVariables(variables);
  const auto found = variables.find("version");
  present = found != variables.end();
  return present ? found->second : std::string();
}

// False when the variables could not be brought up to date and the program must end.
bool DownloadVariables(ServerLink& link) {
  if (DownloadServerVariables(link) == 0) return true;
  Tell("There was an error retrieving the server information.\nPlease try again later.", MessageKind::Error);
  return false;
}

enum class ServerCheck { Continue, Quit };

ServerCheck RefreshFromServer() {
  ServerLink link;
  bool present = false;
  std::string stored = StoredVariablesVersion(present);
  if (!present) {
    if (!DownloadVariables(link)) return ServerCheck::Quit;
    stored = StoredVariablesVersion(present);
  }
  ReplyMap versionInfo;
  if (!GetServerVersionInfo(link, versionInfo)) {
    Tell("There was an error retrieving the update information.", MessageKind::Information);
    return ServerCheck::Continue;
  }
  if (stored != versionInfo["ServerVars"] && !DownloadVariables(link)) return ServerCheck::Quit;
  return CheckForUpdate(link, versionInfo) == 2 ? ServerCheck::Quit : ServerCheck::Continue;
}

}  // namespace

int RunStartup(StartupWindows& windows) {
  // Held for the rest of the process: the system releases it at exit.
  static NamedLock instanceLock(kInstanceLockName);
  if (!instanceLock.TryAcquire()) {
    Tell("Kestrix V2 is already running.", MessageKind::Information);
    return 0;
  }
  RemoveLeftOverUpdater();
  {
    Database database;
    database.CreateIfMissing();
    if (!database.Validate()) {
      Tell("The database file does not seem to be valid.", MessageKind::Error);
      return 1;
    }
  }
  if (IsInternetConnected() && RefreshFromServer() == ServerCheck::Quit) return 0;
  if (!EstablishPilotIdentity(nullptr)) return 0;
  windows.ShowSplash();
  windows.PauseOnSplash(kSplashPauseMs);
  windows.RunMainDialog();
  return 0;
}

}  // namespace kestrix
