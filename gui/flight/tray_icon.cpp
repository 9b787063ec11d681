#include "gui/flight/tray_icon.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

namespace kestrix::gui {
namespace {

TrayIconFactory& InstalledFactory() {
  static TrayIconFactory factory;
  return factory;
}

class SystemTrayIcon : public TrayIcon {
 public:
  explicit SystemTrayIcon(QObject* owner) : icon(new QSystemTrayIcon(owner)) {
    QObject::connect(icon, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::DoubleClick && onDoubleClick) onDoubleClick();
    });
  }
  // The owner may have taken the icon with it already.
  ~SystemTrayIcon() override { delete icon; }

  bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void Show(const QIcon& picture, const QString& tip) override {
    wanted = true;
    Update(picture, tip);
    icon->show();
  }
  void Update(const QIcon& picture, const QString& tip) override {
    icon->setIcon(picture);
    icon->setToolTip(tip);
  }
  // Hiding the icon destroys the desktop's window behind it. The pilot's
  // click on that window, or on its menu, may be what asked for the removal,
  // so the icon goes once that event is over.
  void Remove() override {
    wanted = false;
    QTimer::singleShot(0, icon, [this] {
      if (!wanted) icon->hide();
    });
  }
  void SetMenu(QMenu* menu) override { icon->setContextMenu(menu); }

 private:
  QPointer<QSystemTrayIcon> icon;
  bool wanted = false;
};

}  // namespace

void InstallTrayIconFactory(TrayIconFactory factory) { InstalledFactory() = std::move(factory); }

std::unique_ptr<TrayIcon> CreateTrayIcon(QObject* owner) {
  const TrayIconFactory& factory = InstalledFactory();
  return factory ? factory(owner) : CreateSystemTrayIcon(owner);
}

std::unique_ptr<TrayIcon> CreateSystemTrayIcon(QObject* owner) { return std::make_unique<SystemTrayIcon>(owner); }

}  // namespace kestrix::gui
