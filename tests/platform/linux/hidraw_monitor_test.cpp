#include "platform/linux/hidraw_monitor.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <vector>

#include "platform/linux/hidraw_services.h"
#include "platform/linux/udev_monitor.h"
#include "tests/platform/linux/fake_tree.h"

namespace kr55le {
namespace {

using Changes = std::vector<hid::DeviceChange>;
constexpr int kGenerousMilliseconds = 30000;

// Dispatches until `count` notices came or the descriptor stays quiet for a generous time.
Changes Collect(LinuxHidServices& services, std::size_t count) {
  Changes changes;
  services.RegisterNotices([&changes](hid::DeviceChange change) { changes.push_back(change); });
  while (changes.size() < count) {
    pollfd watch{services.NoticeDescriptor(), POLLIN, 0};
    if (::poll(&watch, 1, kGenerousMilliseconds) <= 0) break;
    services.DispatchNotices();
  }
  services.RegisterNotices(nullptr);
  return changes;
}

TEST(HidrawMonitor, DeviceFolderSourceGivesArrivalThenRemoval) {
  testing::FakeTree tree;
  LinuxHidServices services(tree.sysfs(), tree.devices(), NoticeSource::DeviceFolder);
  ASSERT_GE(services.NoticeDescriptor(), 0);
  tree.AddNode("hidraw7");
  std::filesystem::remove(tree.devices() / "hidraw7");
  EXPECT_EQ(Collect(services, 2),
            (Changes{hid::DeviceChange::Arrival, hid::DeviceChange::Removal}));
}

TEST(HidrawMonitor, DeviceFolderSourceIgnoresOtherNodes) {
  testing::FakeTree tree;
  LinuxHidServices services(tree.sysfs(), tree.devices(), NoticeSource::DeviceFolder);
  tree.AddNode("ttyUSB0");
  std::filesystem::create_directory(tree.devices() / "hidraw-folder");
  tree.AddNode("hidraw8");
  EXPECT_EQ(Collect(services, 1), (Changes{hid::DeviceChange::Arrival}));
  // Everything queued before hidraw8 has been read: nothing else is pending.
  pollfd watch{services.NoticeDescriptor(), POLLIN, 0};
  EXPECT_EQ(::poll(&watch, 1, 0), 0);
}

TEST(UdevMonitor, OnlyAddAndRemoveActionsAreNotices) {
  EXPECT_EQ(ChangeOfUdevAction("add"), hid::DeviceChange::Arrival);
  EXPECT_EQ(ChangeOfUdevAction("remove"), hid::DeviceChange::Removal);
  for (const char* other : {"change", "bind", "", static_cast<const char*>(nullptr)}) {
    EXPECT_EQ(ChangeOfUdevAction(other), std::nullopt) << (other ? other : "no action");
  }
}

TEST(HidrawMonitor, DispatchWithoutEventsReturnsAtOnceWithNothing) {
  testing::FakeTree tree;
  LinuxHidServices services(tree.sysfs(), tree.devices(), NoticeSource::Kernel);
  ASSERT_GE(services.NoticeDescriptor(), 0);
  Changes changes;
  services.RegisterNotices([&changes](hid::DeviceChange change) { changes.push_back(change); });
  services.DispatchNotices();  // a monitor that waited for an event would hang here
  EXPECT_EQ(changes, Changes{});
}

TEST(HidrawMonitor, EventsWithoutSinkAreStillDrained) {
  testing::FakeTree tree;
  LinuxHidServices services(tree.sysfs(), tree.devices(), NoticeSource::DeviceFolder);
  tree.AddNode("hidraw9");
  pollfd watch{services.NoticeDescriptor(), POLLIN, 0};
  ASSERT_EQ(::poll(&watch, 1, kGenerousMilliseconds), 1);
  services.DispatchNotices();
  EXPECT_EQ(::poll(&watch, 1, 0), 0);
}

}  // namespace
}  // namespace kr55le
