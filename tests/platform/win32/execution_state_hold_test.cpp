// The hold on sleep as the dialog takes it through the shared interface, on the system's call.
#include "platform/win32/execution_state_hold.h"

#include <gtest/gtest.h>

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {
namespace {

// The state the thread had: setting it to what it must be afterwards anyway gives it back.
EXECUTION_STATE CurrentState() {
  return ::SetThreadExecutionState(ES_CONTINUOUS);
}

TEST(ExecutionStateHold, AsksForTheSystemWhileItLivesAndGivesItBackAfter) {
  std::unique_ptr<SystemHold> hold = TakeExecutionStateHold();
  ASSERT_NE(hold, nullptr);
  EXPECT_EQ(CurrentState() & ES_SYSTEM_REQUIRED, static_cast<EXECUTION_STATE>(ES_SYSTEM_REQUIRED));
  ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);  // as the hold left it
  hold.reset();
  EXPECT_EQ(CurrentState() & ES_SYSTEM_REQUIRED, 0u);
}

}  // namespace
}  // namespace kr55le::win32
