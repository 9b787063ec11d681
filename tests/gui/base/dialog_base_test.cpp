#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "gui/base/desktop_style.h"
#include "gui/base/dialog_base.h"

namespace kestrix::gui {
namespace {

TEST(DialogBase, DarkBodyWithBothLogoCaptionsInTheirColours) {
  DialogBase dialog(nullptr, {QSize(200, 100), true, true, TemplateFont()});
  dialog.show();
  const QImage image = dialog.grab().toImage();
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() - 10), kDarkColour);
  QLabel* first = dialog.LogoCaption(kLogoFirstId);
  QLabel* second = dialog.LogoCaption(kLogoSecondId);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->text(), "KESTRIX");
  EXPECT_EQ(second->text(), "HALVORN");
  EXPECT_EQ(first->palette().color(QPalette::WindowText), kLightColour);
  EXPECT_EQ(second->palette().color(QPalette::WindowText), kLogoBlue);
  EXPECT_TRUE(second->font().bold());
  EXPECT_GT(second->x(), first->x() + first->width() / 2);
}

TEST(DialogBase, SizeFollowsTheTemplateFontsDialogUnits) {
  const DialogUnits units(TemplateFont());
  DialogBase dialog(nullptr, {QSize(331, 185), false, true, TemplateFont()});
  EXPECT_EQ(dialog.size(), QSize(units.X(331), units.Y(185)));
  EXPECT_GT(dialog.width(), 331);  // a dialog unit is more than a pixel at 8 points
  EXPECT_EQ(dialog.LogoCaption(kLogoFirstId), nullptr);
}

TEST(DialogBase, DraggingTheBodyMovesTheWindowOnlyWhereTheTemplateSaysSo) {
  for (const bool drag : {true, false}) {
    DialogBase dialog(nullptr, {QSize(200, 100), true, drag, TemplateFont()});
    dialog.move(100, 100);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(150, 80));
    QTest::mouseMove(&dialog, QPoint(180, 120));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(180, 120));
    EXPECT_EQ(dialog.pos() != start, drag) << "drag " << drag;
  }
}

}  // namespace
}  // namespace kestrix::gui
