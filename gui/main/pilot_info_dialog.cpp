#include "gui/main/pilot_info_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/flight_commands.h"
#include "gui/base/code_page_text.h"
#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "server/account.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

constexpr int kMaxFieldLength = 255;

QLineEdit* AddEdit(DialogBase& dialog, int id, int y) {
  auto* edit = new QLineEdit(&dialog);
  edit->setObjectName(QString::number(id));
  edit->setMaxLength(kMaxFieldLength);
  dialog.Place(edit, 50, y, 120, 12);
  return edit;
}

}  // namespace

PilotInfoDialog::PilotInfoDialog(QWidget* owner, const PilotInfo& info)
    : DialogBase(owner, {QSize(177, 95), true, false, TemplateFont()}),
      userName(AddEdit(*this, 1000, 38)),
      password(AddEdit(*this, 1007, 55)) {
  AddLabel(kNoId, "Please enter your username and password.", 7, 23, 163, 10);
  AddLabel(kNoId, "Username:", 7, 40, 42, 10);
  AddLabel(kNoId, "Password:", 7, 57, 42, 10);
  password->setEchoMode(QLineEdit::Password);
  if (!info.username.empty()) {
    userName->setText(QtText(info.username));
    password->setText(QtText(info.password));
  }
  QPushButton* ok = AddButton(1, "OK", 66, 75, 50, 14);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &PilotInfoDialog::accept);
  connect(AddButton(2, "Cancel", 120, 75, 50, 14), &QPushButton::clicked, this, &PilotInfoDialog::reject);
}

void PilotInfoDialog::accept() {
  const WindowHandle self = HandleOf(this);
  if (!EnsureConnected(self)) return;
  const std::string user = CodePageText(userName->text());
  const std::string secret = CodePageText(password->text());
  if (user.empty() || secret.empty()) return;
  ServerLink link{.owner = self};
  std::string verified;
  if (!VerifyPilot(link, user, secret, verified)) {
    ShowMessageBox(self, verified, kProgramCaption, MessageKind::Error);
    return;
  }
  Database(self).WritePilotInfo({user, secret, verified});
  ShowMessageBox(self, "User verified.", kProgramCaption, MessageKind::Information);
  done(kPilotInfoVerified);
}

// Escape and closing the window count as "Cancel": start-up must never go on
// without a verified pilot.
void PilotInfoDialog::reject() { done(kPilotInfoCancelled); }

int RunPilotInfoDialog(QWidget* owner, bool edit) {
  PilotInfo info;
  if (edit) Database(HandleOf(owner)).ReadPilotInfo(info);
  PilotInfoDialog dialog(owner, info);
  return dialog.exec();
}

}  // namespace kestrix::gui
