// kr55le-flash info, check and upgrade: the dialog's own handlers on the console host, over the
// given HID services, with the window's start, Browse and Upgrade as the command's steps.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/output.h"
#include "hid/hid_services.h"
#include "window/system_hold.h"

namespace kr55le {

// What the terminal offers the command beyond its arguments.
struct ConsoleContext {
  const std::atomic<int>* interrupts = nullptr;  // Ctrl+C presses, or null
  bool errorsOnTerminal = false;                 // the progress line may be drawn
  bool cursorMoves = false;  // the terminal moves the cursor up, for several progress lines
  std::FILE* errors = stderr;
  SystemHoldSource holdSystemAwake = nullptr;  // the holds on sleep transfers take, or none
  std::function<bool()> readerGone = nullptr;  // nobody reads the output any more; or none
};

// What the device's fields showed at the end of a run.
struct Identification {
  std::string serial;
  std::string softwareVersion;
  std::string bootloaderVersion;
  std::string upgradeMode;
  std::string fileVersion;
};

// What one run of the dialog came to.
struct DialogRun {
  int status = 0;             // the exit status
  hid::HidResult openResult;  // the last opening of the device
  std::string lastMessage;    // the status line's last text
  Identification identification;
};

// Runs the dialog for the command (info, check or upgrade) over `hid`; each status text goes to
// `onStatusText` as it is shown.
DialogRun RunDialog(const FlashArguments& arguments, hid::HidServices& hid,
                    const ConsoleContext& context,
                    const std::function<void(std::string_view)>& onStatusText);

// Runs the command (info, check or upgrade), on the device --device selects when given, and
// prints its output; returns the exit status. `selected`, when given, receives the path --device
// selected (empty when it matched none).
int RunDeviceCommand(const FlashArguments& arguments, hid::HidServices& hid, FlashOutput& output,
                     const ConsoleContext& context, std::string* selected = nullptr);

}  // namespace kr55le
