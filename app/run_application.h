// The whole life of the window application over a host and start-up services of its platform:
// shared by the Linux and the Windows RunUpgradeWindow.
#pragma once

#include "hid/hid_services.h"
#include "window/control_model.h"
#include "window/dialog_host.h"
#include "window/startup_services.h"

namespace kr55le {

// Start-up, then the main dialog modally; the device notices are stopped before it returns
// (so before the host goes), on the calling thread, which registered them.
void RunApplication(StartupServices& startup, DialogHost& host, ControlModel& controls,
                    hid::HidServices& hid);

}  // namespace kr55le
