#include "gui/main/about_dialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/base/program_bitmap.h"
#include "server/auto_update.h"

namespace kestrix::gui {
namespace {

// The program's version texts are compiled in, so they are always there.
constexpr const char* kComments =
    "Kestrix keeps your schedule of Halvorn flights, records the flights you fly in the "
    "simulator and files their reports with the airline.";
constexpr const char* kLegalCopyright = "Copyright \u00a9 2026 The Kestrix developers";

}  // namespace

AboutDialog::AboutDialog(QWidget* owner) : DialogBase(owner, {QSize(211, 165), false, false, TemplateFont()}) {
  QLabel* picture = AddLabel(kNoId, "", 7, 7, 197, 66);
  picture->setPixmap(ProgramBitmap(picture->size()));

  auto* comments = new QPlainTextEdit(QString::fromUtf8(kComments), this);
  comments->setObjectName("1007");
  comments->setReadOnly(true);
  Place(comments, 7, 78, 197, 38);

  AddLabel(1001, QString::fromUtf8(kLegalCopyright), 7, 120, 197, 9)->setAlignment(Qt::AlignCenter);
  QLabel* version = AddLabel(1002, "Version: " + QtText(ProgramFileVersion()), 7, 131, 197, 9);
  version->setAlignment(Qt::AlignCenter);
  SetTextColour(*version, kValueColour);

  QPushButton* ok = AddButton(1, "OK", 80, 145, 50, 14);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &AboutDialog::accept);
}

void RunAboutBox(QWidget* owner) {
  AboutDialog dialog(owner);
  dialog.exec();
}

}  // namespace kestrix::gui
