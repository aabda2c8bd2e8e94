// How failed system calls of the hidraw backend become HID results.
#pragma once

#include <string_view>

#include "hid/hid_services.h"

namespace kr55le {

// A result of class `error` whose message is "<call>: <system text of systemError>".
hid::HidResult SystemFailure(hid::HidError error, int systemError, std::string_view call);

// open(): EACCES/EPERM -> PermissionDenied, ENOENT/ENODEV/ENXIO -> NotFound, else Io.
hid::HidError OpenErrorClass(int systemError);

// read(), write(), ioctl() on an open node: EIO/ENODEV/ESHUTDOWN -> Gone (the device was
// removed), anything else -> Io (a stall, a time-out, a protocol error: it may be tried again).
hid::HidError TransferErrorClass(int systemError);

// write() of a report: as TransferErrorClass, but NotSent where the error comes only from checks
// made before the report is handed to the bus (EINVAL, EFAULT, ENOMEM, ENOSYS).
hid::HidError WriteErrorClass(int systemError);

}  // namespace kr55le
