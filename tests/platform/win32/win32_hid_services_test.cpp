// The Windows HID services on the system they run on: the build machine's Wine has no
// KR-55LE, so this checks that opening one fails cleanly and names the call.
#include "platform/win32/win32_hid_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kr55le::win32 {
namespace {

using ::testing::HasSubstr;

TEST(Win32HidServicesTest, OpeningAbsentPathsFailsWithTheCallNamed) {
  struct Case {
    const char* path;
    hid::HidError error;
  };
  const Case cases[] = {
      {R"(\\?\HID#VID_0483&PID_5750#0&0000&0#{4d1e55b2-f16f-11cf-88cb-001111000030})",
       hid::HidError::NotFound},
      {R"(C:\no-such-folder\device)", hid::HidError::NotFound},
  };
  Win32HidServices services;
  services.Enumerate();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    hid::HidResult result;
    EXPECT_EQ(services.Open(c.path, result), nullptr);
    EXPECT_EQ(result.error, c.error);
    EXPECT_NE(result.systemError, 0);
    EXPECT_THAT(result.message, HasSubstr("CreateFile("));
  }
}

}  // namespace
}  // namespace kr55le::win32
