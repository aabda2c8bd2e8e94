// The window on a simulated KR-55LE, for trying the utility without the hardware: what
// kr55le-upgrade-demo runs, and the page does when its address asks for a simulation.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/window_main.h"
#include "hid/hid_services.h"

namespace kr55le {

// Runs the window over the given services under the instance name: RunUpgradeWindow, or a
// caller's own way around it.
using WindowRun = std::function<int(hid::HidServices& hid, std::string_view instanceName)>;

// `options` chooses the simulated device, e.g. "mode=audio"; it answers at a full-speed
// device's pace unless "reply-ms=0" asks for the fastest. What is wrong with the options goes
// to standard error under `program`'s name, with status 2 (1 for a file that cannot be read).
// With a `dumpPath`, what the devices assembled is written there once the window has closed (as
// kr55le-flash --simulate-dump does). `run` runs the window on the simulated devices.
int RunDemoWindow(std::string_view program, const std::string& options,
                  const std::string& dumpPath = {}, const WindowRun& run = RunUpgradeWindow);

}  // namespace kr55le
