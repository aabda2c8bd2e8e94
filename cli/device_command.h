// kr55le-flash info, check and upgrade: the dialog's own handlers on the console host, over the
// given HID services, with the window's start, Browse and Upgrade as the command's steps.
#pragma once

#include <atomic>
#include <cstdio>

#include "cli/arguments.h"
#include "cli/output.h"
#include "platform/hid/hid_services.h"
#include "platform/window/system_hold.h"

namespace kr55le {

// What the terminal offers the command beyond its arguments.
struct ConsoleContext {
  const std::atomic<int>* interrupts = nullptr;  // Ctrl+C presses, or null
  bool errorsOnTerminal = false;                 // the progress line may be drawn
  std::FILE* errors = stderr;
  SystemHoldSource holdSystemAwake = nullptr;  // the holds on sleep transfers take, or none
};

// Runs the command (info, check or upgrade) and prints its output; returns the exit status.
int RunDeviceCommand(const FlashArguments& arguments, hid::HidServices& hid, FlashOutput& output,
                     const ConsoleContext& context);

}  // namespace kr55le
