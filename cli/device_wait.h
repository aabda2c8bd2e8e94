// --wait: holds a command back until the device it is for is attached, woken by the hot-plug
// notices the window uses rather than by reading the bus over and over.
#pragma once

#include <chrono>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "hid/hid_services.h"

namespace kr55le {

// How often a wait looks at Ctrl+C presses while no notice comes.
inline constexpr std::chrono::milliseconds kWaitSlice{100};

// True once the device the command is for is attached (at once when it already is): with
// --device, the one it selects, by its path or by the serial number it answers with; else any
// the scan would list. Matching a serial number identifies each device, which opens it and sends
// it a request: that is done at the start and then only for the devices a notice brings. False
// when --wait=SECONDS passed first or Ctrl+C was pressed. No limit waits as long as it takes.
bool WaitForDevice(hid::HidServices& hid, const FlashArguments& arguments,
                   const ConsoleContext& context);

}  // namespace kr55le
