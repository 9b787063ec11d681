#include "support/temp_work_dir.h"

#include <stdlib.h>

#include <stdexcept>
#include <string>

namespace kestrix::test {

TempWorkDir::TempWorkDir() : previous(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrix-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
  path = pattern;
  std::filesystem::current_path(path);
}

TempWorkDir::~TempWorkDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous, ignored);
  std::filesystem::remove_all(path, ignored);
}

}  // namespace kestrix::test
