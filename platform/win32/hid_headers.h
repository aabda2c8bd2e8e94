// The HID class library's headers. MinGW-w64's declare their functions without C linkage, so
// they are included inside extern "C" here, after windows.h whose types they need.
#pragma once

#include "platform/win32/windows_headers.h"

extern "C" {
#include <hidsdi.h>
}
