// The system's HID interfaces through the device setup library.
#pragma once

#include "platform/win32/windows_headers.h"

#include <vector>

#include "hid/hid_services.h"

namespace kr55le::win32 {

// The description property is read into a buffer of this many characters; a longer one counts as
// not readable.
inline constexpr DWORD kDescriptionCapacity = 253;

// The HID device-interface class.
GUID HidInterfaceClass();

// Every present HID interface with its path as the system gives it. An interface whose details
// cannot be read is skipped; no interface set at all gives an empty list.
std::vector<hid::HidInterface> EnumerateHidInterfaces();

}  // namespace kr55le::win32
