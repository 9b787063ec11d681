#pragma once

#include <filesystem>

namespace kestrix::test {

// A fresh directory made the working directory for the object's lifetime, so
// the database file of each test is its own. Removed with its contents after.
class TempWorkDir {
 public:
  TempWorkDir();
  ~TempWorkDir();
  TempWorkDir(const TempWorkDir&) = delete;
  TempWorkDir& operator=(const TempWorkDir&) = delete;

  const std::filesystem::path& Path() const { return path; }

 private:
  std::filesystem::path previous;
  std::filesystem::path path;
};

}  // namespace kestrix::test
