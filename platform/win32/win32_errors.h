// Windows error codes as the HID services' small set of failure classes, with messages that name
// the failing call.
#pragma once

#include "platform/win32/windows_headers.h"

#include <string>
#include <string_view>

#include "platform/hid/hid_services.h"

namespace kr55le::win32 {

// The error classes of a call on a device that is open, or of opening one.
hid::HidError ClassifyError(DWORD error);
// "ReadFile(\\?\hid#...): The device is not connected." with the system's own text.
hid::HidResult FailedCall(std::string_view call, std::string_view subject, DWORD error);
// "ReadFile(\\?\hid#...): what", the form of every message about a call.
std::string CallMessage(std::string_view call, std::string_view subject, std::string_view what);

}  // namespace kr55le::win32
