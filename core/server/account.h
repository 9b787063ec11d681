#pragma once

#include <functional>
#include <string>

#include "server/http_engine.h"
#include "protocol/reply_format.h"

namespace kestrix {

// The host the server variables come from; an empty host restores the
// program's own constant.
void SetServerVariablesHost(std::string host);
std::string ServerVariablesHost();

// Downloads and stores the server variables: 0 on success, -1 (after telling
// the pilot) on failure.
int DownloadServerVariables(ServerLink& link);

// The server's version information page ("ServerVars", "Version", "UpdaterHash").
bool GetServerVersionInfo(ServerLink& link, ReplyMap& versionInfo);

// On success `result` is the pilot number on record; on failure the message.
bool VerifyPilot(ServerLink& link, const std::string& userName, const std::string& password, std::string& result);

// Runs the pilot info dialog modally and returns its result (1 cancelled, 3 verified).
using PilotInfoDialogRunner = std::function<int(WindowHandle owner)>;
// An empty runner counts as a cancelled dialog.
void InstallPilotInfoDialog(PilotInfoDialogRunner runner);

// Start-up's check of the stored identity; false when the pilot cancelled
// the pilot info dialog and the program is to end.
bool EstablishPilotIdentity(WindowHandle owner);

}  // namespace kestrix
