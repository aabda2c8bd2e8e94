// Start-up on Windows: the marker that tells a second instance, the window lookup.
#include "platform/win32/win32_startup.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {
namespace {

// Not the utility's own name, so that a running utility does not disturb the test.
constexpr char kTestMarker[] = "PARDO_KR_91_MAX_UI_RUNNING-test";

TEST(Win32StartupTest, MarkerTellsASecondInstanceUntilTheFirstHasGone) {
  auto first = std::make_unique<Win32StartupServices>(kTestMarker);
  EXPECT_EQ(first->CreateInstanceMarker(kTestMarker), InstanceMarker::First);
  {
    Win32StartupServices second(kTestMarker);
    EXPECT_EQ(second.CreateInstanceMarker(kTestMarker), InstanceMarker::OtherRunning);
  }
  // The second's refusal closed only its own handle: the first still holds the name.
  Win32StartupServices third(kTestMarker);
  EXPECT_EQ(third.CreateInstanceMarker(kTestMarker), InstanceMarker::OtherRunning);
  first.reset();
  Win32StartupServices later(kTestMarker);
  EXPECT_EQ(later.CreateInstanceMarker(kTestMarker), InstanceMarker::First);
}

TEST(Win32StartupTest, ShowsAHiddenWindowOfThatName) {
  constexpr char kTitle[] = "tws2-test";
  HWND window = ::CreateWindowExA(0, "STATIC", kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_FALSE(::IsWindowVisible(window));
  Win32StartupServices startup(kTestMarker);
  startup.ShowWindowNamed(kTitle);
  EXPECT_TRUE(::IsWindowVisible(window));
  ::DestroyWindow(window);
}

}  // namespace
}  // namespace kr55le::win32
