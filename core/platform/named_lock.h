#pragma once

#include <memory>
#include <string>

namespace kestrix {

// A process-wide lock under a name, held from a successful TryAcquire until
// the object is destroyed or the process ends (the system drops it then).
// It stands where the desktop has named mutexes: a second holder is refused.
class NamedLock {
 public:
  explicit NamedLock(std::string name);
  ~NamedLock();
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // True when this object holds the lock now.
  bool TryAcquire();
  bool Held() const { return descriptor >= 0; }
  void Release();

 private:
  std::string name;
  int descriptor = -1;
};

// Where the lock files live: $KESTRIX_LOCK_DIR, else $XDG_RUNTIME_DIR, else
// the system's temporary folder with the user's id in the file name.
std::string NamedLockPath(const std::string& name);

}  // namespace kestrix
