// Runs the utility's window over the given HID services: shared by the real executable and
// the demo, which differ only in the device they talk to.
#pragma once

#include <string_view>

#include "hid/hid_services.h"

namespace kr55le {

// Needs the platform's window toolkit started. `instanceName` names the single-instance marker.
int RunUpgradeWindow(hid::HidServices& hid, std::string_view instanceName);

}  // namespace kr55le
