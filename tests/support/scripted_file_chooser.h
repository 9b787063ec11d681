#pragma once

#include <string>
#include <vector>

#include "platform/file_chooser.h"

namespace kestrix::test {

// The pilot at the file-open dialog: keeps every request, picks `answer`.
class ScriptedFileChooser : public FileChooser {
 public:
  std::string ChooseFile(const FileChooserRequest& request) override {
    requests.push_back(request);
    return answer;
  }
  std::vector<FileChooserRequest> requests;
  std::string answer;
};

}  // namespace kestrix::test
