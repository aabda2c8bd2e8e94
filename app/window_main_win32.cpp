// RunUpgradeWindow on Windows: the Win32 dialog and start-up services instead of Qt's.
#include "app/run_application.h"
#include "app/window_main.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_startup.h"
#include "res/dialog_template.h"

namespace kr55le {

int RunUpgradeWindow(hid::HidServices& hid, std::string_view instanceName) {
  ControlModel controls;
  win32::Win32DialogHost host(controls, dialog_template::kIconId);
  win32::Win32StartupServices startup(instanceName);
  RunApplication(startup, host, controls, hid);
  return 0;
}

}  // namespace kr55le
