#include "platform/program_launcher.h"

#include <spawn.h>

#include <filesystem>
#include <memory>
#include <utility>

#include "platform/seam.h"

extern char** environ;

namespace kestrix {
namespace {

Seam<ProgramLauncher>& LauncherSeam() {
  static Seam<ProgramLauncher> seam;
  return seam;
}

}  // namespace

void InstallProgramLauncher(ProgramLauncher launcher) {
  LauncherSeam().Install(launcher ? std::make_shared<ProgramLauncher>(std::move(launcher)) : nullptr);
}

bool LaunchProgram(const std::string& path) {
  auto launcher = LauncherSeam().Get();
  return launcher ? (*launcher)(path) : SpawnProgram(path);
}

bool SpawnProgram(const std::string& path) {
  // A bare file name means the working directory, as it does on the desktop.
  const std::string program = std::filesystem::path(path).has_parent_path() ? path : "./" + path;
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t child = 0;
  return posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, environ) == 0;
}

}  // namespace kestrix
