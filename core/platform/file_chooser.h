#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace kestrix {

// One entry of a file-open dialog's type list: what the pilot reads, and the
// patterns it stands for, separated by ";" ("*.pln;*.fms").
struct FileFilter {
  std::string description;
  std::string pattern;

  bool operator==(const FileFilter&) const = default;
};

struct FileChooserRequest {
  WindowHandle owner = nullptr;
  std::string title;
  // The first entry is selected; none offers every file.
  std::vector<FileFilter> filters;
  // Only an existing file in an existing folder can be chosen.
  bool mustExist = true;
  // The pilot names a file to write: a save dialog, which asks before replacing one.
  bool forSaving = false;
};

// The desktop (or a test) asks the pilot for a file to open. Choosing never
// changes the program's working directory, which holds its database.
class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file's path, or empty when the pilot cancelled.
  virtual std::string ChooseFile(const FileChooserRequest& request) = 0;
};

// Replaces the chooser; nullptr removes it. Safe from any thread.
void InstallFileChooser(std::shared_ptr<FileChooser> chooser);

// Asks through the installed chooser; without one nothing is chosen.
std::string ChooseFile(const FileChooserRequest& request);

}  // namespace kestrix
