#include "platform/linux/hidraw_errors.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace kr55le {

hid::HidResult SystemFailure(hid::HidError error, int systemError, std::string_view call) {
  hid::HidResult result;
  result.error = error;
  result.systemError = systemError;
  result.message = std::string(call) + ": " + std::generic_category().message(systemError);
  return result;
}

hid::HidError OpenErrorClass(int systemError) {
  switch (systemError) {
    case EACCES:
    case EPERM:
      return hid::HidError::PermissionDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return hid::HidError::NotFound;
    default:
      return hid::HidError::Io;
  }
}

hid::HidError TransferErrorClass(int systemError) {
  switch (systemError) {
    // hidraw's read of a removed device, its write of one, and a transfer the USB core cut
    // short because the device left (Documentation/driver-api/usb/error-codes.rst).
    case EIO:
    case ENODEV:
    case ESHUTDOWN:
      return hid::HidError::Gone;
    // Among the rest: EPIPE, a stalled interrupt OUT transfer or SET_REPORT (a busy device);
    // ETIMEDOUT, a report the device did not take in usbhid's time; EPROTO and EILSEQ, an error
    // on the bus. The device is still there, so the request may be tried again.
    default:
      return hid::HidError::Io;
  }
}

hid::HidError WriteErrorClass(int systemError) {
  switch (systemError) {
    // Before any transfer starts: hidraw's length checks and the report's copy into the kernel
    // (EINVAL, EFAULT, ENOMEM), the HID core's length check and a driver without output reports
    // (EINVAL, ENOSYS), the allocations before a USB transfer is submitted and the submission's
    // own refusals (ENOMEM, EINVAL: Documentation/driver-api/usb/error-codes.rst). None of them
    // is a status a transfer ends with (EINVAL only for isochronous ones).
    case EINVAL:
    case EFAULT:
    case ENOMEM:
    case ENOSYS:
      return hid::HidError::NotSent;
    // EPIPE is also the submission's refusal of a wrong endpoint type, but mostly a stall: part
    // of the report may have gone. So may some with ETIMEDOUT, EPROTO, EILSEQ and the rest.
    default:
      return TransferErrorClass(systemError);
  }
}

}  // namespace kr55le
