#include "gui/main/settings_dialog.h"

#include <QEventLoop>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>

#include "gui/base/desktop_style.h"
#include "gui/base/window_handle.h"
#include "store/database.h"

namespace kestrix::gui {
namespace {

constexpr int kTreeId = 40000;

struct Option {
  int heading;  // index into kHeadings
  const char* text;
  uint32_t bit;
};

constexpr const char* kHeadings[] = {"In-Flight Options", "Chat Options"};

constexpr Option kOptions[] = {
    {0, "Use on-line mode when flying", ProgramSettings::Online},
    {0, "Flight window always on top", ProgramSettings::OnTop},
    {0, "Run flight window in the taskbar (minimized)", ProgramSettings::Minimized},
    {1, "Available for Chat", ProgramSettings::ChatAvailable},
    {1, "Chat window always on top", ProgramSettings::ChatOnTop},
};

// Dotted lines join each option to its heading and the headings to each
// other, as in the system's tree view with lines; the style draws the buttons.
class LinedTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override {
    painter->save();
    painter->setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
    const int middle = rect.center().y();
    const bool first = !index.parent().isValid() && index.row() == 0;
    const bool last = !index.siblingAtRow(index.row() + 1).isValid();
    int x = rect.right() - indentation() / 2;
    painter->drawLine(x, first ? middle : rect.top(), x, last ? middle : rect.bottom());
    painter->drawLine(x, middle, rect.right(), middle);
    // Headings with more below them carry their line past their options.
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent()) {
      x -= indentation();
      if (above.siblingAtRow(above.row() + 1).isValid()) painter->drawLine(x, rect.top(), x, rect.bottom());
    }
    painter->restore();
    QTreeWidget::drawBranches(painter, rect, index);
  }
};

}  // namespace

SettingsDialog::SettingsDialog(QWidget* owner, uint32_t settings)
    : DialogBase(owner, {QSize(201, 150), true, false, TemplateFont()}),
      tree(new LinedTree(this)),
      settings(settings) {
  tree->setObjectName(QString::number(kTreeId));
  tree->setHeaderHidden(true);
  tree->setRootIsDecorated(true);
  // A narrow indent leaves the longest option its whole text in the tree's width.
  tree->setIndentation(Units().X(6));
  // Options are ticked, never selected: only the check box of an item reacts,
  // and without focus the style draws no current row that looks selected.
  tree->setSelectionMode(QAbstractItemView::NoSelection);
  tree->setFocusPolicy(Qt::NoFocus);
  Place(tree, 7, 22, 187, 100);
  AddOptions();

  QPushButton* save = AddButton(1, "Save", 90, 129, 50, 14);
  save->setDefault(true);
  connect(save, &QPushButton::clicked, this, &SettingsDialog::Save);
  connect(AddButton(2, "Cancel", 144, 129, 50, 14), &QPushButton::clicked, this, &SettingsDialog::reject);
}

void SettingsDialog::AddOptions() {
  std::vector<QTreeWidgetItem*> headings;
  for (const char* heading : kHeadings) {
    auto* item = new QTreeWidgetItem(tree, {heading});
    item->setFlags(Qt::ItemIsEnabled);
    headings.push_back(item);
  }
  for (const Option& option : kOptions) {
    auto* item = new QTreeWidgetItem(headings[option.heading], {option.text});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(0, settings & option.bit ? Qt::Checked : Qt::Unchecked);
    optionItems.push_back(item);
  }
  tree->expandAll();
}

void SettingsDialog::Save() {
  for (size_t i = 0; i < optionItems.size(); ++i) {
    if (optionItems[i]->checkState(0) == Qt::Checked)
      settings |= kOptions[i].bit;
    else
      settings &= ~kOptions[i].bit;
  }
  done(kSettingsSaved);
}

void SettingsDialog::reject() { done(kSettingsCancelled); }

int RunSettingsDialog(QWidget* owner) {
  SettingsDialog dialog(owner, Database(HandleOf(owner)).ReadProgramSettings());
  dialog.show();
  // Modeless with a loop of its own: only the owner waits, other windows stay usable.
  if (owner) SetWindowEnabled(owner, false);
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
  loop.exec();
  if (owner) {
    SetWindowEnabled(owner, true);
    owner->raise();
    owner->activateWindow();
  }
  if (dialog.result() == kSettingsSaved) Database(HandleOf(owner)).WriteProgramSettings(dialog.Settings());
  return dialog.result();
}

}  // namespace kestrix::gui
