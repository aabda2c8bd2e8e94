// --wait: holds a command back until a device the dialog's scan would list is attached, woken
// by the hot-plug notices the window uses rather than by reading the bus over and over.
#pragma once

#include <atomic>
#include <chrono>
#include <optional>

#include "platform/hid/hid_services.h"

namespace kr55le {

// How often a wait looks at Ctrl+C presses while no notice comes.
inline constexpr std::chrono::milliseconds kWaitSlice{100};

// True once such a device is attached (at once when one already is); false when `limit` passed
// first or Ctrl+C was pressed (`interrupts` grew). No limit waits as long as it takes.
bool WaitForDevice(hid::HidServices& hid, std::optional<std::chrono::milliseconds> limit,
                   const std::atomic<int>* interrupts);

}  // namespace kr55le
