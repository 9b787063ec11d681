#pragma once

#include <QStringList>

#include "platform/file_chooser.h"

class QFileDialog;

namespace kestrix::gui {

// The type list entries as Qt reads them: "description (pattern pattern)".
QStringList NameFilters(const std::vector<FileFilter>& filters);

// Sets up a file-open dialog for `request`: its title, its types with the
// first selected, and whether the file must exist.
void ConfigureFileDialog(QFileDialog& dialog, const FileChooserRequest& request);

// The core's file chooser on the desktop: a modal file-open dialog over the
// request's owner. Called on the GUI thread.
class QtFileChooser : public FileChooser {
 public:
  std::string ChooseFile(const FileChooserRequest& request) override;
};

}  // namespace kestrix::gui
