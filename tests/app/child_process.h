#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrix::test {

// A child program with its output in a file; stopped when it goes out of scope.
class Child {
 public:
  Child(std::vector<std::string> arguments, const std::filesystem::path& output) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    Wait();
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid > 0; }
  // True while the program has not ended; an ended program is reaped here.
  bool Running() {
    if (pid <= 0) return false;
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) return true;
    pid = -1;
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  // Kills the program outright; true when it was still running to be killed.
  bool KillNow() {
    if (!Running()) return false;
    kill(pid, SIGKILL);
    Wait();
    return true;
  }
  // The exit code; -1 when the program did not exit normally.
  int Wait() {
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid) {
      pid = -1;
      exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return exitCode;
  }

 private:
  pid_t pid = -1;
  int exitCode = -1;
};

}  // namespace kestrix::test
