#include "dialog/wait_bounds.h"

#include <gtest/gtest.h>

namespace kr55le {
namespace {

TEST(WaitBounds, ScalingMultipliesEachTotalRoundingUpToAtLeastOnePoll) {
  const WaitBounds defaults;
  struct Case {
    double factor;
    std::uint64_t deviceInfo;
    std::uint64_t browseTotal;
    std::uint64_t ackTotal;
  };
  const Case cases[] = {
      {.factor = 0.5,
       .deviceInfo = 0x80000000,
       .browseTotal = 0xFFFFFull * 10,
       .ackTotal = 2147352613},
      {.factor = 1e-12, .deviceInfo = 1, .browseTotal = 1, .ackTotal = 1},
  };
  for (const auto& c : cases) {
    const WaitBounds scaled = ScaleWaitBounds(defaults, c.factor);
    EXPECT_EQ(scaled.deviceInfo, c.deviceInfo) << c.factor;
    EXPECT_GE(scaled.browseCheck.Total(), c.browseTotal) << c.factor;
    EXPECT_LT(scaled.browseCheck.Total(), c.browseTotal + scaled.browseCheck.outer) << c.factor;
    EXPECT_GE(scaled.acknowledgement.Total(), c.ackTotal) << c.factor;
    EXPECT_GE(scaled.startInner, 1u);
  }
}

}  // namespace
}  // namespace kr55le
