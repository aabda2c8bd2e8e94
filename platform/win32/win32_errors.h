// Windows error codes as the HID services' small set of failure classes, with messages that name
// the failing call.
#pragma once

#include "platform/win32/windows_headers.h"

#include <string>
#include <string_view>

#include "hid/hid_services.h"

namespace kr55le::win32 {

// What a call failed on: the same code means other things when opening a path and on a handle
// that was open.
enum class FailedOn {
  Path,        // CreateFile
  OpenHandle,  // a transfer or query on a device that was open: it may have gone since
  WriteStart,  // WriteFile at once, before the report was queued; else as OpenHandle
};

// The class of `error`: Gone where the device went, TimedOut where the call may simply be made
// again, NotSent where a write was refused before anything of it left, Io for any code the table
// does not name.
hid::HidError ClassifyError(DWORD error, FailedOn on);
// "ReadFile(\\?\hid#...): The device is not connected." with the system's own text.
hid::HidResult FailedCall(std::string_view call, std::string_view subject, DWORD error,
                          FailedOn on);
// "ReadFile(\\?\hid#...): what", the form of every message about a call.
std::string CallMessage(std::string_view call, std::string_view subject, std::string_view what);

}  // namespace kr55le::win32
