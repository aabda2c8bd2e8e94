#include "app/run_application.h"

#include "app/flashwell_app.h"
#include "app/flashwell_dlg.h"
#include "device/report_link.h"

namespace kr55le {

void RunApplication(StartupServices& startup, DialogHost& host, ControlModel& controls,
                    hid::HidServices& hid) {
  ReportLink link;
  CFlashwellApp application(startup, host, [&] {
    CFlashwellDlg dialog(host, controls, hid, link);
    host.RunModal(dialog);
  });
  application.InitInstance();
  hid.RegisterNotices(nullptr);
}

}  // namespace kr55le
