#include "gui/main/settings_dialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "gui/base/desktop_style.h"
#include "gui/modal.h"
#include "store/database.h"
#include "support/scripted_message_box.h"
#include "support/temp_work_dir.h"

namespace kestrix::gui {
namespace {

using test::OnWindow;

constexpr const char* kOnline = "Use on-line mode when flying";
constexpr const char* kOnTop = "Flight window always on top";
constexpr const char* kMinimized = "Run flight window in the taskbar (minimized)";
constexpr const char* kChatAvailable = "Available for Chat";
constexpr const char* kChatOnTop = "Chat window always on top";

QTreeWidget* Tree(SettingsDialog& dialog) { return dialog.findChild<QTreeWidget*>("40000"); }

QTreeWidgetItem* Item(SettingsDialog& dialog, const char* text) {
  const auto found = Tree(dialog)->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.size() == 1 ? found.front() : nullptr;
}

bool Checked(SettingsDialog& dialog, const char* text) { return Item(dialog, text)->checkState(0) == Qt::Checked; }

// Clicks an option's check box, or (with onText) the middle of its text.
void ClickOption(SettingsDialog& dialog, const char* text, bool onText = false) {
  QTreeWidget* tree = Tree(dialog);
  const QRect rect = tree->visualItemRect(Item(dialog, text));
  const int boxCentre = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1 +
                        tree->style()->pixelMetric(QStyle::PM_IndicatorWidth) / 2;
  const QPoint point(onText ? rect.center().x() : rect.left() + boxCentre, rect.center().y());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, point);
}

// Beside its text every row shows the tree's plain background: no selection
// and no current-row highlight.
bool NoRowLooksSelected(SettingsDialog& dialog) {
  QTreeWidget* tree = Tree(dialog);
  const QImage image = tree->viewport()->grab().toImage();
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    const QPoint besideText(image.width() - 4, tree->visualItemRect(*it).center().y());
    if (image.pixelColor(besideText) != kLightColour) return false;
  }
  return true;
}

void Press(SettingsDialog& dialog, const char* id) {
  QTest::mouseClick(dialog.findChild<QPushButton*>(id), Qt::LeftButton);
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    Database().CreateSchema();  // starts with the word 0x00040203
    owner.show();
  }

  uint32_t Stored() { return Database().ReadProgramSettings(); }

  test::TempWorkDir workDir;
  test::ScriptedMessageBox boxes;
  QWidget owner;
};

TEST_F(Settings, OpensWithTheStoredBitsAndSavingAChatOptionAddsOnlyItsBit) {
  ASSERT_EQ(Stored(), 0x00040203u);
  OnWindow<SettingsDialog>([&](SettingsDialog& dialog) {
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(dialog.isEnabled());
    QTreeWidget* tree = Tree(dialog);
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(tree->topLevelItem(i)->isExpanded());
      EXPECT_FALSE(tree->topLevelItem(i)->flags() & Qt::ItemIsUserCheckable);
    }
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "In-Flight Options");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "Chat Options");
    EXPECT_EQ(tree->topLevelItem(0)->child(2)->text(0), kMinimized);
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), kChatAvailable);
    EXPECT_TRUE(Checked(dialog, kOnline));
    EXPECT_TRUE(Checked(dialog, kOnTop));
    EXPECT_TRUE(Checked(dialog, kChatOnTop));
    EXPECT_FALSE(Checked(dialog, kMinimized));
    EXPECT_FALSE(Checked(dialog, kChatAvailable));

    ClickOption(dialog, kChatAvailable);
    EXPECT_TRUE(Checked(dialog, kChatAvailable));
    Press(dialog, "1");
  });
  EXPECT_EQ(RunSettingsDialog(&owner), kSettingsSaved);
  EXPECT_EQ(Stored(), 0x00040303u);  // the chat's scroll bit 0x40000 is kept
  EXPECT_TRUE(owner.isEnabled());
}

TEST_F(Settings, CancelOrEscapeAfterTogglingStoresNothing) {
  for (const char* leave : {"Cancel", "Escape"}) {
    OnWindow<SettingsDialog>([&](SettingsDialog& dialog) {
      ClickOption(dialog, kOnline);
      ClickOption(dialog, kMinimized);
      EXPECT_FALSE(Checked(dialog, kOnline));
      EXPECT_TRUE(Checked(dialog, kMinimized));
      if (leave == std::string("Cancel"))
        Press(dialog, "2");
      else
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(RunSettingsDialog(&owner), kSettingsCancelled) << leave;
    EXPECT_EQ(Stored(), 0x00040203u) << leave;
    EXPECT_TRUE(owner.isEnabled());
  }
}

TEST_F(Settings, ClickingAnItemsTextNeitherTogglesNorSelectsIt) {
  SettingsDialog dialog(&owner, ProgramSettings::Default);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  for (const char* text : {kOnline, kChatAvailable, "Chat Options"}) {
    const bool before = Item(dialog, text)->checkState(0) == Qt::Checked;
    ClickOption(dialog, text, true);
    EXPECT_EQ(Item(dialog, text)->checkState(0) == Qt::Checked, before) << text;
    EXPECT_TRUE(Tree(dialog)->selectedItems().isEmpty()) << text;
    EXPECT_FALSE(Tree(dialog)->selectionModel()->hasSelection()) << text;
    EXPECT_TRUE(NoRowLooksSelected(dialog)) << text;
  }
}

// Left of each option, between its heading's line and its check box, the
// dotted line that joins them.
TEST_F(Settings, DottedLinesJoinEachOptionToItsHeading) {
  SettingsDialog dialog(&owner, ProgramSettings::Default);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QTreeWidget* tree = Tree(dialog);
  const QImage image = tree->viewport()->grab().toImage();
  for (const char* text : {kOnline, kMinimized, kChatOnTop}) {
    const QRect row = tree->visualItemRect(Item(dialog, text));
    int marked = 0;
    for (int x = row.left() - tree->indentation() / 2; x < row.left(); ++x)
      marked += image.pixelColor(x, row.center().y()) != kLightColour;
    EXPECT_GT(marked, 0) << text;
  }
}

}  // namespace
}  // namespace kestrix::gui
