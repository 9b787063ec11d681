#include "app/maintenance_commands.h"

#include "app/flight_commands.h"
#include "server/account.h"
#include "server/auto_update.h"
#include "store/database.h"

namespace kestrix {
namespace {

constexpr int kUpdaterStarted = 2;
constexpr int kUpToDate = 0;

void Tell(WindowHandle owner, const char* text) {
  ShowMessageBox(owner, text, kProgramCaption, MessageKind::Information);
}

}  // namespace

bool CheckForUpdates(WindowHandle owner) {
  if (!EnsureConnected(owner)) return false;
  ServerLink link{.owner = owner};
  ReplyMap versionInfo;
  const int result = GetServerVersionInfo(link, versionInfo) ? CheckForUpdate(link, versionInfo) : -1;
  if (result == kUpdaterStarted) return true;
  if (result == kUpToDate)
    Tell(owner, "Kestrix2 is up to date.");
  else
    Tell(nullptr, "There was an error retrieving the update information.");
  return false;
}

void RefreshServerData(WindowHandle owner) {
  if (!EnsureConnected(owner)) return;
  ServerLink link{.owner = owner};
  Tell(owner, DownloadServerVariables(link) == 0 ? "The server data has been updated."
                                                 : "There was an error refreshing the server data.");
}

bool ResetDatabase(WindowHandle owner) {
  const char* question =
      "This command will reset the database to it's initial state (preserving username, password and "
      "settings).\n\nAre you sure?";
  if (ShowMessageBox(owner, question, kProgramCaption, MessageKind::Question) != MessageResult::Yes) return false;
  // The store has told the pilot when the file could not be rebuilt.
  if (!Database(owner).Reset()) return false;
  Tell(owner, "The database has been reset.");
  return true;
}

}  // namespace kestrix
