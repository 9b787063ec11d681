#pragma once

#include <cstdint>
#include <vector>

#include "gui/base/dialog_base.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace kestrix::gui {

inline constexpr int kSettingsSaved = 3;
inline constexpr int kSettingsCancelled = 1;

// The tree of option check boxes under "In-Flight Options" and "Chat Options".
// "Save" ends it with 3 and the word as the boxes show it; "Cancel" with 1.
class SettingsDialog : public DialogBase {
  Q_OBJECT
 public:
  SettingsDialog(QWidget* owner, uint32_t settings);

  // The settings word: as opened, or as saved. Bits that are not among the
  // five options keep their values.
  uint32_t Settings() const { return settings; }

  // "Cancel", Escape and closing the window all cancel.
  void reject() override;

 private:
  void Save();
  void AddOptions();

  QTreeWidget* tree;
  std::vector<QTreeWidgetItem*> optionItems;
  uint32_t settings;
};

// Edits the program's option bits; 3 after "Save" (word written), 1 after
// "Cancel", 0 when the program quits meanwhile. The owner is disabled while it runs.
int RunSettingsDialog(QWidget* owner);

}  // namespace kestrix::gui
