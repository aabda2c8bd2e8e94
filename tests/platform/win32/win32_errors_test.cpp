// What each system error code means to the report link: a device gone (the link drops it), a
// transfer to make again (the link goes on reading), or a plain failure.
#include "platform/win32/win32_errors.h"

#include <gtest/gtest.h>

namespace kr55le::win32 {
namespace {

TEST(Win32ErrorsTest, EachCodeMeansWhatItDoesWhereItFailed) {
  struct Case {
    DWORD code;
    FailedOn on;
    hid::HidError meaning;
  };
  const Case cases[] = {
      {ERROR_DEVICE_NOT_CONNECTED, FailedOn::OpenHandle, hid::HidError::Gone},  // Windows
      {ERROR_ACCESS_DENIED, FailedOn::OpenHandle, hid::HidError::Gone},         // Wine
      {ERROR_OPERATION_ABORTED, FailedOn::OpenHandle, hid::HidError::TimedOut},
      {ERROR_GEN_FAILURE, FailedOn::OpenHandle, hid::HidError::Io},
      {ERROR_FILE_NOT_FOUND, FailedOn::OpenHandle, hid::HidError::Io},
      {ERROR_FILE_NOT_FOUND, FailedOn::Path, hid::HidError::NotFound},
      {ERROR_PATH_NOT_FOUND, FailedOn::Path, hid::HidError::NotFound},
      {ERROR_INVALID_NAME, FailedOn::Path, hid::HidError::NotFound},
      {ERROR_BAD_PATHNAME, FailedOn::Path, hid::HidError::NotFound},
      {ERROR_DEVICE_NOT_CONNECTED, FailedOn::Path, hid::HidError::NotFound},
      // A keyboard or mouse that the system holds: not a permission the user can be given.
      {ERROR_ACCESS_DENIED, FailedOn::Path, hid::HidError::Io},
      {ERROR_OPERATION_ABORTED, FailedOn::Path, hid::HidError::Io},
      {ERROR_INVALID_PARAMETER, FailedOn::WriteStart, hid::HidError::NotSent},
      {ERROR_INVALID_HANDLE, FailedOn::WriteStart, hid::HidError::NotSent},
      {ERROR_INVALID_PARAMETER, FailedOn::OpenHandle, hid::HidError::Io},
      {ERROR_GEN_FAILURE, FailedOn::WriteStart, hid::HidError::Io},
      {ERROR_DEVICE_NOT_CONNECTED, FailedOn::WriteStart, hid::HidError::Gone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "code " << c.code << " on " << static_cast<int>(c.on));
    const hid::HidResult result = FailedCall("ReadFile", "device", c.code, c.on);
    EXPECT_EQ(result.error, c.meaning);
    EXPECT_EQ(result.systemError, static_cast<int>(c.code));
    EXPECT_EQ(result.message.rfind("ReadFile(device): ", 0), 0u) << result.message;
    EXPECT_GT(result.message.size(), std::string_view("ReadFile(device): ").size());
  }
}

}  // namespace
}  // namespace kr55le::win32
