#include "gui/main/about_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "gui/modal.h"

namespace kestrix::gui {
namespace {

TEST(AboutBox, ShowsTheProgramsOwnVersionTextsUntilOk) {
  bool shown = false;
  test::OnModal<AboutDialog>([&](AboutDialog& dialog) {
    shown = true;
    QLabel* version = dialog.findChild<QLabel*>("1002");
    EXPECT_EQ(version->text(), "Version: 2.0.3999");
    EXPECT_EQ(version->palette().color(QPalette::WindowText), QColor(231, 190, 67));
    EXPECT_TRUE(dialog.findChild<QLabel*>("1001")->text().startsWith("Copyright"));
    auto* comments = dialog.findChild<QPlainTextEdit*>("1007");
    EXPECT_TRUE(comments->isReadOnly());
    EXPECT_FALSE(comments->toPlainText().isEmpty());
    QTest::mouseClick(dialog.findChild<QPushButton*>("1"), Qt::LeftButton);
  });
  QWidget owner;
  RunAboutBox(&owner);
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace kestrix::gui
