#include "gui/platform/desktop_services.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "gui/main/pilot_info_dialog.h"
#include "gui/platform/progress_dialog.h"
#include "gui/base/window_handle.h"
#include "gui/modal.h"
#include "platform/file_chooser.h"
#include "platform/progress_dialog.h"
#include "platform/web_host.h"
#include "server/account.h"
#include "store/database.h"
#include "support/temp_work_dir.h"

namespace kestrix::gui {
namespace {

using test::OnModal;

class DesktopServices : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallDesktopServices();
    owner.show();
  }
  void TearDown() override {
    InstallMessageBoxPresenter(nullptr);
    InstallProgressDialogFactory(nullptr);
    InstallWebHost(nullptr);
    InstallFileChooser(nullptr);
    InstallPilotInfoDialog(nullptr);
  }

  test::TempWorkDir workDir;
  QWidget owner;
};

TEST_F(DesktopServices, TheCoresMessageBoxesAndProgressDialogsAreQtWindows) {
  OnModal<QMessageBox>([](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton); });
  EXPECT_EQ(ShowMessageBox(HandleOf(&owner), "Sure?", kProgramCaption, MessageKind::Question), MessageResult::Yes);

  auto progress = CreateProgressDialog();
  progress->Open(HandleOf(&owner));
  EXPECT_TRUE(owner.findChild<WaitDialog*>());
  progress->Close();
}

TEST_F(DesktopServices, TheCoresFileChoiceIsAQtFileDialogOverItsOwner) {
  QWidget* parent = nullptr;
  OnModal<QFileDialog>([&](QFileDialog& dialog) {
    parent = dialog.parentWidget();
    dialog.reject();
  });
  EXPECT_EQ(ChooseFile({.owner = HandleOf(&owner), .title = "Add Flightplan", .filters = {}, .mustExist = true}), "");
  EXPECT_EQ(parent, &owner);
}

TEST_F(DesktopServices, StartUpWithoutAStoredLogInAsksInTheEmptyPilotInfoDialog) {
  Database().CreateSchema();
  OnModal<PilotInfoDialog>([](PilotInfoDialog& dialog) {
    EXPECT_TRUE(dialog.findChild<QLineEdit*>("1000")->text().isEmpty());
    QTest::mouseClick(dialog.findChild<QPushButton*>("2"), Qt::LeftButton);
  });
  EXPECT_FALSE(EstablishPilotIdentity(HandleOf(&owner)));
}

TEST_F(DesktopServices, TheWebHostEnablesTheCallersWindow) {
  EnableOwnerWindow(HandleOf(&owner), false);
  EXPECT_FALSE(owner.isEnabled());
  EnableOwnerWindow(HandleOf(&owner), true);
  EXPECT_TRUE(owner.isEnabled());
}

}  // namespace
}  // namespace kestrix::gui
