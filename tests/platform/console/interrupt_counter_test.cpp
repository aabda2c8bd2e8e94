#include "platform/console/interrupt_counter.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace kr55le::console {
namespace {

TEST(InterruptCounter, CountsAPressWithoutEndingTheProcess) {
  const std::atomic<int>& presses = InstallInterruptCounter();
  const int before = presses.load();
  ASSERT_LT(before + 1, kForcedExitPresses);
  raise(SIGINT);
  EXPECT_EQ(presses.load(), before + 1);
  EXPECT_EQ(&InstallInterruptCounter(), &presses);
}

TEST(InterruptCounterDeathTest, EndsTheProcessAtTheThirdPress) {
  EXPECT_EXIT(
      {
        const std::atomic<int>& presses = InstallInterruptCounter();
        while (presses.load() < kForcedExitPresses) raise(SIGINT);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
}  // namespace kr55le::console
