#include "platform/win32/win32_errors.h"

#include <algorithm>
#include <array>

#include "platform/win32/wide_text.h"

namespace kr55le::win32 {
namespace {

constexpr std::size_t kSystemMessageCapacity = 256;

struct ErrorMeaning {
  DWORD code;
  FailedOn on;
  hid::HidError meaning;
};

// The one table of what the system's codes mean to the HID services.
constexpr ErrorMeaning kErrorMeanings[] = {
    {ERROR_FILE_NOT_FOUND, FailedOn::Path, hid::HidError::NotFound},
    {ERROR_PATH_NOT_FOUND, FailedOn::Path, hid::HidError::NotFound},
    {ERROR_INVALID_NAME, FailedOn::Path, hid::HidError::NotFound},
    {ERROR_BAD_PATHNAME, FailedOn::Path, hid::HidError::NotFound},
    // Unplugged between the enumeration and the opening.
    {ERROR_DEVICE_NOT_CONNECTED, FailedOn::Path, hid::HidError::NotFound},
    // Device gone: what Windows ends a pending and every later transfer with.
    {ERROR_DEVICE_NOT_CONNECTED, FailedOn::OpenHandle, hid::HidError::Gone},
    // Device gone: what Wine ends them with. (Opening a keyboard or mouse that the system holds
    // is refused with the same code: that is not the permission problem the permission hint
    // explains, so on a path it stays an Io failure.)
    {ERROR_ACCESS_DENIED, FailedOn::OpenHandle, hid::HidError::Gone},
    // Try again: a cancellation (ours at a timeout, or the system's) ended the transfer.
    {ERROR_OPERATION_ABORTED, FailedOn::OpenHandle, hid::HidError::TimedOut},
    // Refused before it was queued, by the HID class driver's checks of the report (no such
    // output report, a wrong length) and its allocations, Windows' and Wine's alike, or for a
    // handle the system does not know. Any other code, even at once, may come from a driver that
    // sends the report before it completes the request (Wine's hidclass once did): it proves
    // nothing.
    {ERROR_INVALID_PARAMETER, FailedOn::WriteStart, hid::HidError::NotSent},
    {ERROR_INVALID_USER_BUFFER, FailedOn::WriteStart, hid::HidError::NotSent},
    {ERROR_NOT_ENOUGH_MEMORY, FailedOn::WriteStart, hid::HidError::NotSent},
    {ERROR_NO_SYSTEM_RESOURCES, FailedOn::WriteStart, hid::HidError::NotSent},
    {ERROR_INVALID_HANDLE, FailedOn::WriteStart, hid::HidError::NotSent},
};

std::string SystemMessage(DWORD error) {
  std::array<wchar_t, kSystemMessageCapacity> text{};
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text.data(), static_cast<DWORD>(text.size()), nullptr);
  std::string message = Narrow(std::wstring_view(text.data(), length));
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace

hid::HidError ClassifyError(DWORD error, FailedOn on) {
  const auto* found = std::find_if(
      std::begin(kErrorMeanings), std::end(kErrorMeanings),
      [error, on](const ErrorMeaning& row) { return row.code == error && row.on == on; });
  if (found != std::end(kErrorMeanings)) return found->meaning;
  return on == FailedOn::WriteStart ? ClassifyError(error, FailedOn::OpenHandle)
                                    : hid::HidError::Io;
}

hid::HidResult FailedCall(std::string_view call, std::string_view subject, DWORD error,
                          FailedOn on) {
  return {ClassifyError(error, on), static_cast<int>(error),
          CallMessage(call, subject, SystemMessage(error))};
}

std::string CallMessage(std::string_view call, std::string_view subject, std::string_view what) {
  std::string message(call);
  message += '(';
  message += subject;
  message += "): ";
  message += what;
  return message;
}

}  // namespace kr55le::win32
