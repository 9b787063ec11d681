#include "platform/named_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace kestrix {

std::string NamedLockPath(const std::string& name) {
  for (const char* variable : {"KESTRIX_LOCK_DIR", "XDG_RUNTIME_DIR"}) {
    const char* dir = std::getenv(variable);
    if (dir && *dir) return std::string(dir) + "/" + name + ".lock";
  }
  return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

NamedLock::NamedLock(std::string name) : name(std::move(name)) {}

NamedLock::~NamedLock() { Release(); }

bool NamedLock::TryAcquire() {
  if (Held()) return true;
  const int fd = open(NamedLockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  // flock belongs to the open file, so a second object in this process is refused too.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  descriptor = fd;
  return true;
}

void NamedLock::Release() {
  if (!Held()) return;
  close(descriptor);  // closing drops the lock; the file stays for the next holder
  descriptor = -1;
}

}  // namespace kestrix
