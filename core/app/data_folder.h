#pragma once

#include <filesystem>
#include <string>

namespace kestrix {

// The per-user folder that holds the database and the program's other files:
// $KESTRIX_DATA_DIR, else $XDG_DATA_HOME/Kestrix, else ~/.local/share/Kestrix.
std::filesystem::path DataFolder();

// Makes the data folder (creating it when missing) the working directory, so
// the program's relative file names land there; false with `error` when it cannot.
bool EnterDataFolder(std::string& error);

// Settings a demo or a test gives through the environment:
// KESTRIX_SERVER_VARS_HOST (host[:port] of the server variables) and
// KESTRIX_ONLINE ("1" counts the machine as connected, "0" as not).
void ApplyEnvironmentOverrides();

}  // namespace kestrix
