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
    case EIO:
    case ENODEV:
    case EPIPE:
      return hid::HidError::Gone;
    default:
      return hid::HidError::Io;
  }
}

}  // namespace kr55le
