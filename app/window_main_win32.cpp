// RunUpgradeWindow on Windows: the Win32 dialog and start-up services instead of Qt's.
#include "app/flashwell_app.h"
#include "app/flashwell_dlg.h"
#include "app/window_main.h"
#include "device/report_link.h"
#include "platform/win32/win32_dialog_host.h"
#include "platform/win32/win32_startup.h"
#include "platform/window/control_model.h"
#include "res/dialog_template.h"

namespace kr55le {

int RunUpgradeWindow(hid::HidServices& hid, std::string_view instanceName) {
  ControlModel controls;
  win32::Win32DialogHost host(controls, dialog_template::kIconId);
  ReportLink link;
  win32::Win32StartupServices startup(instanceName);
  CFlashwellApp application(startup, host, [&] {
    CFlashwellDlg dialog(host, controls, hid, link);
    host.RunModal(dialog);
  });
  application.InitInstance();
  // The notices must stop before the host goes, on the thread that registered them.
  hid.RegisterNotices(nullptr);
  return 0;
}

}  // namespace kr55le
