#include "gui/platform/file_chooser.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>

#include <filesystem>
#include <fstream>

#include "gui/base/window_handle.h"
#include "gui/modal.h"
#include "support/temp_work_dir.h"

namespace kestrix::gui {
namespace {

const std::vector<FileFilter> kFilters{{"Flight plans", "*.pln"}, {"Route files", "*.rte;*.fms"}};

TEST(FileChooser, TheDialogOffersTheTypesWithTheFirstSelectedAndOnlyExistingFiles) {
  QFileDialog dialog;
  ConfigureFileDialog(dialog, {.owner = nullptr, .title = "Add Flightplan", .filters = kFilters, .mustExist = true});
  EXPECT_EQ(dialog.windowTitle(), "Add Flightplan");
  EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog.nameFilters(), (QStringList{"Flight plans (*.pln)", "Route files (*.rte *.fms)"}));
  // The pilot reads the airline's own descriptions, the first one chosen.
  auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_TRUE(types);
  EXPECT_EQ(types->itemText(0), "Flight plans");
  EXPECT_EQ(types->itemText(1), "Route files");
  EXPECT_EQ(types->currentIndex(), 0);
}

TEST(FileChooser, WithoutTypesEveryFileIsOffered) {
  QFileDialog dialog;
  const QStringList everything = dialog.nameFilters();
  ConfigureFileDialog(dialog, {.owner = nullptr, .title = "Add Flightplan", .filters = {}, .mustExist = true});
  EXPECT_EQ(dialog.nameFilters(), everything);
}

class ChooseFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(workDir.Path() / "plans");
    std::ofstream(plan) << "<plan/>";
    owner.show();
  }
  std::string Choose() {
    return QtFileChooser().ChooseFile({.owner = HandleOf(&owner), .title = "Update Flightplan", .filters = kFilters});
  }

  test::TempWorkDir workDir;
  std::filesystem::path plan = workDir.Path() / "plans" / "KSEA-KPDX.pln";
  QWidget owner;
};

TEST_F(ChooseFileTest, GivesTheChosenPathAndLeavesTheWorkingDirectory) {
  bool asked = false;
  test::OnModal<QFileDialog>([&](QFileDialog& dialog) {
    asked = dialog.windowTitle() == "Update Flightplan" && dialog.parentWidget() == &owner;
    dialog.selectFile(QString::fromStdString(plan.string()));
    static_cast<QDialog&>(dialog).accept();  // as the dialog's Open button does
  });
  EXPECT_EQ(Choose(), plan.string());
  EXPECT_TRUE(asked);
  EXPECT_EQ(std::filesystem::current_path(), workDir.Path());
}

TEST_F(ChooseFileTest, CancellingChoosesNothing) {
  test::OnModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(Choose(), "");
}

}  // namespace
}  // namespace kestrix::gui
