// The window on Windows: the system's own dialog and start-up services; no toolkit to start.
#include "platform/factories.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_startup.h"
#include "res/dialog_template.h"

namespace kr55le::platform {

std::unique_ptr<WindowToolkit> StartWindowToolkit(int&, char**) {
  return std::make_unique<WindowToolkit>();
}

std::unique_ptr<DialogHost> MakeDialogHost(ControlModel& controls, hid::HidServices&) {
  return std::make_unique<win32::Win32DialogHost>(controls, dialog_template::kIconId);
}

std::unique_ptr<StartupServices> MakeStartupServices(std::string_view instanceName) {
  return std::make_unique<win32::Win32StartupServices>(instanceName);
}

}  // namespace kr55le::platform
