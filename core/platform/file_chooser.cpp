#include "platform/file_chooser.h"

#include <utility>

#include "platform/seam.h"

namespace kestrix {
namespace {

Seam<FileChooser>& ChooserSeam() {
  static Seam<FileChooser> seam;
  return seam;
}

}  // namespace

void InstallFileChooser(std::shared_ptr<FileChooser> chooser) { ChooserSeam().Install(std::move(chooser)); }

std::string ChooseFile(const FileChooserRequest& request) {
  auto chooser = ChooserSeam().Get();
  return chooser ? chooser->ChooseFile(request) : std::string();
}

}  // namespace kestrix
