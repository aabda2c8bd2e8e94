#include "platform/linux/hidraw_monitor.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <vector>

#include "platform/linux/hidraw_services.h"
#include "platform/linux/udev_monitor.h"
#include "tests/platform/linux/fake_tree.h"

namespace kr55le {
namespace {

using Changes = std::vector<hid::DeviceChange>;
constexpr int kGenerousMilliseconds = 30000;

class HidrawMonitor : public ::testing::Test {
 protected:
  // Dispatches until `count` notices came or the descriptor stays quiet for a generous time.
  Changes Collect(std::size_t count) {
    Changes changes;
    services.RegisterNotices([&changes](hid::DeviceChange change) { changes.push_back(change); });
    while (changes.size() < count && Wait(kGenerousMilliseconds) > 0) services.DispatchNotices();
    services.RegisterNotices(nullptr);
    return changes;
  }
  int Wait(int milliseconds) {
    pollfd watch{services.NoticeDescriptor(), POLLIN, 0};
    return ::poll(&watch, 1, milliseconds);
  }

  testing::FakeTree tree;
  LinuxHidServices services{tree.sysfs(), tree.devices(), NoticeSource::DeviceFolder};
};

TEST_F(HidrawMonitor, DeviceFolderSourceGivesArrivalThenRemovalIgnoringOtherNodes) {
  ASSERT_GE(services.NoticeDescriptor(), 0);
  tree.AddNode("ttyUSB0");
  std::filesystem::create_directory(tree.devices() / "hidraw-folder");
  tree.AddNode("hidraw7");
  std::filesystem::remove(tree.devices() / "hidraw7");
  EXPECT_EQ(Collect(2), (Changes{hid::DeviceChange::Arrival, hid::DeviceChange::Removal}));
  EXPECT_EQ(Wait(0), 0);  // everything queued before the removal has been read
}

TEST_F(HidrawMonitor, EventsWithoutSinkAreStillDrained) {
  tree.AddNode("hidraw9");
  ASSERT_EQ(Wait(kGenerousMilliseconds), 1);
  services.DispatchNotices();
  EXPECT_EQ(Wait(0), 0);
}

TEST_F(HidrawMonitor, KernelSourceDispatchWithoutEventsReturnsAtOnceWithNothing) {
  LinuxHidServices kernel(tree.sysfs(), tree.devices(), NoticeSource::Kernel);
  ASSERT_GE(kernel.NoticeDescriptor(), 0);
  Changes changes;
  kernel.RegisterNotices([&changes](hid::DeviceChange change) { changes.push_back(change); });
  kernel.DispatchNotices();  // a monitor that waited for an event would hang here
  EXPECT_EQ(changes, Changes{});
}

TEST(UdevMonitor, ListensToTheKernelsEvents) {
  const std::unique_ptr<kr55le::HidrawMonitor> monitor = OpenUdevMonitor(kKernelSourceName);
  ASSERT_NE(monitor, nullptr);
  EXPECT_GE(monitor->Descriptor(), 0);
}

TEST(UdevMonitor, OnlyAddAndRemoveActionsAreNotices) {
  EXPECT_EQ(ChangeOfUdevAction("add"), hid::DeviceChange::Arrival);
  EXPECT_EQ(ChangeOfUdevAction("remove"), hid::DeviceChange::Removal);
  for (const char* other : {"change", "bind", "", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(ChangeOfUdevAction(other), std::nullopt) << (other ? other : "no action");
  }
}

}  // namespace
}  // namespace kr55le
