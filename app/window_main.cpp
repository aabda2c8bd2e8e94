#include "app/window_main.h"

#include "app/run_application.h"
#include "platform/factories.h"
#include "window/control_model.h"

namespace kr55le {

int RunUpgradeWindow(hid::HidServices& hid, std::string_view instanceName) {
  ControlModel controls;
  const std::unique_ptr<DialogHost> host = platform::MakeDialogHost(controls, hid);
  const std::unique_ptr<StartupServices> startup = platform::MakeStartupServices(instanceName);
  RunApplication(*startup, *host, controls, hid);
  return 0;
}

}  // namespace kr55le
