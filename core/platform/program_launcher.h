#pragma once

#include <functional>
#include <string>

namespace kestrix {

// Starts a program without arguments; true when it was started.
using ProgramLauncher = std::function<bool(const std::string& path)>;

// Replaces the launcher; an empty one restores SpawnProgram.
void InstallProgramLauncher(ProgramLauncher launcher);

bool LaunchProgram(const std::string& path);

// Starts the file as a new process (posix_spawn) and does not wait for it.
bool SpawnProgram(const std::string& path);

}  // namespace kestrix
