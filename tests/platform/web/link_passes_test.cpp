#include "platform/web/link_passes.h"

#include <gtest/gtest.h>

#include "tests/device/fake_device.h"

namespace kr55le::web {
namespace {

TEST(LinkPassesTest, AQueuedReportWaitsUntilTheOneBeforeHasBeenLookedAt) {
  LinkPasses passes;
  ReportLink link({std::chrono::milliseconds{0}, true}, passes.Launcher());
  passes.Watch(link);
  auto device = std::make_shared<testing::FakeDevice>();
  device->Reply({0x11});
  device->Reply({0x22});
  link.SetCaps({64, 64, 0});
  link.SetDevice(device);
  link.StartThreads([](LinkThread, int) { FAIL() << "no pass started"; });
  passes.RunAll();
  passes.RunAll();  // before and after the browser's turn, with no poll between
  EXPECT_EQ(link.InputReport[0], 0x11);
  passes.Looked();
  passes.RunAll();
  EXPECT_EQ(link.InputReport[0], 0x22);
}

}  // namespace
}  // namespace kr55le::web
