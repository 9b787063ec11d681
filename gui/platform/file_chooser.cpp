#include "gui/platform/file_chooser.h"

#include <QFile>
#include <QFileDialog>

#include "gui/base/code_page_text.h"
#include "gui/base/window_handle.h"

namespace kestrix::gui {

QStringList NameFilters(const std::vector<FileFilter>& filters) {
  QStringList names;
  for (const FileFilter& filter : filters) {
    QString patterns = QtText(filter.pattern);
    patterns.replace(';', ' ');
    names << QtText(filter.description) + " (" + patterns + ")";
  }
  return names;
}

void ConfigureFileDialog(QFileDialog& dialog, const FileChooserRequest& request) {
  dialog.setWindowTitle(QtText(request.title));
  dialog.setAcceptMode(request.forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // The pilot reads the airline's descriptions as they are, without Qt's pattern suffix.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  const QStringList names = NameFilters(request.filters);
  if (names.isEmpty()) return;
  dialog.setNameFilters(names);
  dialog.selectNameFilter(names.first());
}

std::string QtFileChooser::ChooseFile(const FileChooserRequest& request) {
  QFileDialog dialog(WidgetOf(request.owner));
  ConfigureFileDialog(dialog, request);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  // A path goes back in the file system's own encoding, so any name opens again.
  return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen.first()).toStdString();
}

}  // namespace kestrix::gui
