#include "gui/flight/tray_icon.h"

#include <QSystemTrayIcon>

namespace kestrix::gui {
namespace {

TrayIconFactory& InstalledFactory() {
  static TrayIconFactory factory;
  return factory;
}

class SystemTrayIcon : public TrayIcon {
 public:
  SystemTrayIcon() {
    // The owner shows its own menu, so the icon has none of Qt's.
    QObject::connect(&icon, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
      if (reason == QSystemTrayIcon::Context && onMenuRequest) onMenuRequest();
      if (reason == QSystemTrayIcon::DoubleClick && onDoubleClick) onDoubleClick();
    });
  }
  bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void Show(const QIcon& picture, const QString& tip) override {
    Update(picture, tip);
    icon.show();
  }
  void Update(const QIcon& picture, const QString& tip) override {
    icon.setIcon(picture);
    icon.setToolTip(tip);
  }
  void Remove() override { icon.hide(); }

 private:
  QSystemTrayIcon icon;
};

}  // namespace

void InstallTrayIconFactory(TrayIconFactory factory) { InstalledFactory() = std::move(factory); }

std::unique_ptr<TrayIcon> CreateTrayIcon() {
  const TrayIconFactory& factory = InstalledFactory();
  return factory ? factory() : std::make_unique<SystemTrayIcon>();
}

}  // namespace kestrix::gui
