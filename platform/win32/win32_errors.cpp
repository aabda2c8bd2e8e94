#include "platform/win32/win32_errors.h"

#include <array>

namespace kr55le::win32 {
namespace {

constexpr std::size_t kSystemMessageCapacity = 256;

std::string SystemMessage(DWORD error) {
  std::array<char, kSystemMessageCapacity> text{};
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text.data(), static_cast<DWORD>(text.size()), nullptr);
  std::string message(text.data(), length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace

hid::HidError ClassifyError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return hid::HidError::NotFound;
    // A removed device fails its pending and later calls with one of these.
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
      return hid::HidError::Gone;
    // Access denied (a keyboard or mouse that the system holds) is not the permission problem
    // that the permission hint explains, so it counts as any other failure.
    default:
      return hid::HidError::Io;
  }
}

hid::HidResult FailedCall(std::string_view call, std::string_view subject, DWORD error) {
  return {ClassifyError(error), static_cast<int>(error),
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
