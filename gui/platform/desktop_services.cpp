#include "gui/platform/desktop_services.h"

#include <memory>

#include "gui/platform/file_chooser.h"
#include "gui/platform/message_box_presenter.h"
#include "gui/main/pilot_info_dialog.h"
#include "gui/platform/progress_dialog.h"
#include "gui/platform/web_host.h"
#include "gui/base/window_handle.h"
#include "server/account.h"

namespace kestrix::gui {

void InstallDesktopServices() {
  InstallMessageBoxPresenter(std::make_shared<QtMessageBoxPresenter>());
  InstallProgressDialogFactory(CreateDesktopProgressDialog);
  InstallWebHost(std::make_shared<DesktopWebHost>());
  InstallFileChooser(std::make_shared<QtFileChooser>());
  // The core asks for the dialog only when the stored log-in is missing or not valid.
  InstallPilotInfoDialog([](WindowHandle owner) { return RunPilotInfoDialog(WidgetOf(owner), false); });
}

}  // namespace kestrix::gui
