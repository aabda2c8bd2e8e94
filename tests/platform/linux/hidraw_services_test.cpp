#include "platform/linux/hidraw_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

#include "platform/linux/hidraw_errors.h"
#include "tests/platform/linux/descriptors.h"
#include "tests/platform/linux/fake_tree.h"

namespace kr55le {
namespace {

using testing::FakeTree;

std::string UpperCased(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Three nodes: the upgrade device with a name, one without, and a receiver of another vendor.
class HidrawServicesTest : public ::testing::Test {
 protected:
  HidrawServicesTest() {
    tree_.AddHidraw("hidraw0", "HID_ID=0003:0000046D:0000C52B\nHID_NAME=Logitech USB Receiver\n",
                    testing::BootKeyboard());
    tree_.AddHidraw("hidraw1", "HID_ID=0003:00000483:00005750\nHID_NAME=STM Upgrade\n",
                    testing::VendorNumbered());
    tree_.AddHidraw("hidraw2", "HID_ID=0003:00000483:0000DF11\n", testing::VendorUnnumbered());
    tree_.AddNode("hidraw0");
    tree_.AddNode("hidraw1");
    tree_.AddNode("hidraw2");
  }

  std::string Path(const std::string& node, const std::string& ids) const {
    return (tree_.devices() / node).string() + "#" + ids;
  }

  FakeTree tree_;
  LinuxHidServices services_{tree_.sysfs(), tree_.devices(), NoticeSource::DeviceFolder};
};

TEST_F(HidrawServicesTest, EnumerateGivesPathsWithLowerCaseIdsAndDescriptions) {
  const std::vector<hid::HidInterface> interfaces = services_.Enumerate();
  ASSERT_EQ(interfaces.size(), 3u);
  EXPECT_EQ(interfaces[0].path, Path("hidraw0", "vid_046d&pid_c52b"));
  EXPECT_EQ(interfaces[0].description, "Logitech USB Receiver");
  EXPECT_EQ(interfaces[1].path, Path("hidraw1", "vid_0483&pid_5750"));
  EXPECT_EQ(interfaces[1].description, "STM Upgrade");
  EXPECT_EQ(interfaces[2].path, Path("hidraw2", "vid_0483&pid_df11"));
  EXPECT_EQ(interfaces[2].description, std::nullopt);
}

TEST_F(HidrawServicesTest, EnumerateLeavesOutNodesWithoutHidId) {
  tree_.AddHidraw("hidraw3", "DRIVER=hid-generic\n");
  EXPECT_EQ(services_.Enumerate().size(), 3u);
}

TEST(HidrawServices, EnumerateWithoutHidrawClassIsEmpty) {
  testing::TempFolder empty;
  LinuxHidServices services(empty.path(), empty.path(), NoticeSource::DeviceFolder);
  EXPECT_TRUE(services.Enumerate().empty());
}

TEST_F(HidrawServicesTest, OpenMapsAnUpperCasedPathToItsNode) {
  services_.Enumerate();
  hid::HidResult result;
  const auto device = services_.Open(UpperCased(Path("hidraw1", "vid_0483&pid_5750")), result);
  ASSERT_NE(device, nullptr) << result.message;
  EXPECT_TRUE(result.ok());

  // The report descriptor and the node are those of hidraw1.
  hid::HidCaps caps;
  ASSERT_TRUE(device->GetCaps(caps).ok());
  EXPECT_EQ(caps.InputReportByteLength, 64);
  EXPECT_EQ(caps.OutputReportByteLength, 1024);
  const std::vector<std::uint8_t> report = {0x01, 0x01, 0xFF};
  ASSERT_TRUE(device->Write(report).ok());
  EXPECT_EQ(testing::ReadFile(tree_.devices() / "hidraw1"), "\x01\x01\xFF");
}

TEST_F(HidrawServicesTest, OpenEnumeratesWhenThePathIsNotInTheLastEnumeration) {
  hid::HidResult result;
  const auto device = services_.Open(UpperCased(Path("hidraw2", "vid_0483&pid_df11")), result);
  ASSERT_NE(device, nullptr) << result.message;
  hid::HidCaps caps;
  ASSERT_TRUE(device->GetCaps(caps).ok());
  EXPECT_EQ(caps.InputReportByteLength, 65);
}

TEST_F(HidrawServicesTest, OpenOfAnUnknownPathIsNotFound) {
  services_.Enumerate();
  hid::HidResult result;
  EXPECT_EQ(services_.Open(Path("hidraw9", "vid_0483&pid_5750"), result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::NotFound);
  EXPECT_EQ(services_.Open("", result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::NotFound);
}

// Two services objects stand for two programs: a node one has open is in use for the other
// until the last device the first opened on it has gone; the first may open it again.
TEST_F(HidrawServicesTest, NodeOpenInOneProgramIsInUseForAnother) {
  LinuxHidServices other{tree_.sysfs(), tree_.devices(), NoticeSource::DeviceFolder};
  const std::string path = Path("hidraw1", "vid_0483&pid_5750");
  hid::HidResult result;
  auto first = services_.Open(path, result);
  ASSERT_NE(first, nullptr) << result.message;
  auto again = services_.Open(UpperCased(path), result);
  ASSERT_NE(again, nullptr) << result.message;
  first.reset();  // the rescan's new device keeps the hold

  EXPECT_EQ(other.Open(path, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
  EXPECT_NE(other.Open(Path("hidraw2", "vid_0483&pid_df11"), result), nullptr);  // another node

  again.reset();
  const auto taken = other.Open(path, result);
  EXPECT_NE(taken, nullptr) << result.message;
  EXPECT_EQ(services_.Open(path, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
}

TEST_F(HidrawServicesTest, OpenOfAMissingNodeIsNotFoundAndNamesTheNode) {
  std::filesystem::remove(tree_.devices() / "hidraw1");
  hid::HidResult result;
  EXPECT_EQ(services_.Open(Path("hidraw1", "vid_0483&pid_5750"), result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::NotFound);
  EXPECT_EQ(result.systemError, ENOENT);
  EXPECT_EQ(result.message,
            "open(" + (tree_.devices() / "hidraw1").string() + "): No such file or directory");
}

// Only a removal is Gone: a stall (EPIPE), a time-out or a bus error leaves the device there,
// and its request is tried again.
TEST(HidrawErrors, FailuresFallIntoTheirClasses) {
  const struct {
    hid::HidError (*classOf)(int);
    int error;
    hid::HidError expected;
  } rows[] = {
      {OpenErrorClass, EACCES, hid::HidError::PermissionDenied},
      {OpenErrorClass, EPERM, hid::HidError::PermissionDenied},
      {OpenErrorClass, ENOENT, hid::HidError::NotFound},
      {OpenErrorClass, ENODEV, hid::HidError::NotFound},
      {OpenErrorClass, EBUSY, hid::HidError::Io},
      {TransferErrorClass, EIO, hid::HidError::Gone},
      {TransferErrorClass, ENODEV, hid::HidError::Gone},
      {TransferErrorClass, ESHUTDOWN, hid::HidError::Gone},
      {TransferErrorClass, EPIPE, hid::HidError::Io},
      {TransferErrorClass, ETIMEDOUT, hid::HidError::Io},
      {TransferErrorClass, EPROTO, hid::HidError::Io},
      {TransferErrorClass, EINVAL, hid::HidError::Io},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.classOf(row.error), row.expected) << std::generic_category().message(row.error);
  }
}

}  // namespace
}  // namespace kr55le
