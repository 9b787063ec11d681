#pragma once

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QObject;

namespace kestrix::gui {

// An icon in the desktop's system tray with its tip and its context menu.
// Tests install their own through the factory below, since an offscreen
// desktop has no tray.
class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // False where the desktop has no system tray to show the icon in.
  virtual bool Available() const = 0;
  virtual void Show(const QIcon& icon, const QString& tip) = 0;
  virtual void Update(const QIcon& icon, const QString& tip) = 0;
  virtual void Remove() = 0;
  // The menu the desktop opens on the icon; it stays its owner's, who hears
  // the pilot's choice from the chosen item itself.
  virtual void SetMenu(QMenu* menu) = 0;

  // What the owner does when the pilot double-clicks the icon.
  std::function<void()> onDoubleClick;
};

// The tray icon belongs to `owner`, and lives no longer than it.
using TrayIconFactory = std::function<std::unique_ptr<TrayIcon>(QObject* owner)>;
// An empty factory restores the desktop's own tray.
void InstallTrayIconFactory(TrayIconFactory factory);
std::unique_ptr<TrayIcon> CreateTrayIcon(QObject* owner);
// The desktop's own tray icon, whatever factory is installed.
std::unique_ptr<TrayIcon> CreateSystemTrayIcon(QObject* owner);

}  // namespace kestrix::gui
