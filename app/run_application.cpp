#include "app/run_application.h"

#include "app/flashwell_app.h"
#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "platform/factories.h"

namespace kr55le {

void RunApplication(StartupServices& startup, DialogHost& host, ControlModel& controls,
                    hid::HidServices& hid) {
  const std::unique_ptr<ReportLink> link = platform::MakeReportLink();
  CFlashwellApp application(startup, host, [&] {
    CFlashwellDlg dialog(host, controls, hid, *link);
    host.RunModal(dialog);
  });
  application.InitInstance();
}

}  // namespace kr55le
