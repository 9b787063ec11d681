#pragma once

#include <memory>
#include <mutex>
#include <utility>

namespace kestrix {

// One installable implementation of a desktop service, swapped and read
// under a lock so either thread may call through it.
template <class T>
class Seam {
 public:
  void Install(std::shared_ptr<T> implementation) {
    std::lock_guard lock(mutex);
    current = std::move(implementation);
  }
  std::shared_ptr<T> Get() const {
    std::lock_guard lock(mutex);
    return current;
  }

 private:
  mutable std::mutex mutex;
  std::shared_ptr<T> current;
};

}  // namespace kestrix
