#pragma once

#include <QIcon>
#include <QString>

#include <functional>
#include <memory>

namespace kestrix::gui {

// An icon in the desktop's system tray with its tip. Tests install their own
// through the factory below, since an offscreen desktop has no tray.
class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // False where the desktop has no system tray to show the icon in.
  virtual bool Available() const = 0;
  virtual void Show(const QIcon& icon, const QString& tip) = 0;
  virtual void Update(const QIcon& icon, const QString& tip) = 0;
  virtual void Remove() = 0;

  // What the owner does when the pilot right-clicks or double-clicks the icon.
  std::function<void()> onMenuRequest;
  std::function<void()> onDoubleClick;
};

using TrayIconFactory = std::function<std::unique_ptr<TrayIcon>()>;
// An empty factory restores the desktop's own tray.
void InstallTrayIconFactory(TrayIconFactory factory);
std::unique_ptr<TrayIcon> CreateTrayIcon();

}  // namespace kestrix::gui
