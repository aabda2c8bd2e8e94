#include "platform/linux/hidraw_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

#include "platform/linux/hid_uevent.h"
#include "platform/linux/hidraw_errors.h"
#include "platform/linux/small_file.h"
#include "tests/platform/linux/descriptors.h"
#include "tests/platform/linux/fake_tree.h"

namespace kr55le {
namespace {

using testing::FakeTree;

std::string UpperCased(std::string text) {
  std::ranges::transform(text, text.begin(), ::toupper);  // the paths are ASCII
  return text;
}

// Three nodes: the upgrade device with a name, one without, and a receiver of another vendor;
// and a hidraw entry without HID_ID, which enumeration leaves out.
class HidrawServicesTest : public ::testing::Test {
 protected:
  HidrawServicesTest() {
    tree_.AddHidraw("hidraw0", "HID_ID=0003:0000046D:0000C52B\nHID_NAME=Logitech USB Receiver\n",
                    testing::kBootKeyboard);
    tree_.AddHidraw("hidraw1", "HID_ID=0003:00000483:00005750\nHID_NAME=STM Upgrade\n",
                    testing::kVendorNumbered);
    tree_.AddHidraw("hidraw2", "HID_ID=0003:00000483:0000DF11\n", testing::kVendorUnnumbered);
    tree_.AddNode("hidraw0");
    tree_.AddNode("hidraw1");
    tree_.AddNode("hidraw2");
    tree_.AddHidraw("hidraw3", "DRIVER=hid-generic\n");
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

TEST(HidrawServices, EnumerateWithoutHidrawClassIsEmpty) {
  testing::TempFolder empty;
  LinuxHidServices services(empty.path(), empty.path(), NoticeSource::DeviceFolder);
  EXPECT_TRUE(services.Enumerate().empty());
}

// A path not in the last enumeration (none yet) makes Open enumerate first.
TEST_F(HidrawServicesTest, OpenMapsAnUpperCasedPathToItsNodeEnumeratingWhenItIsNew) {
  hid::HidResult result;
  const auto other = services_.Open(UpperCased(Path("hidraw2", "vid_0483&pid_df11")), result);
  ASSERT_NE(other, nullptr) << result.message;
  hid::HidCaps caps;
  ASSERT_TRUE(other->GetCaps(caps).ok());
  EXPECT_EQ(caps.InputReportByteLength, 65);

  services_.Enumerate();
  const auto device = services_.Open(UpperCased(Path("hidraw1", "vid_0483&pid_5750")), result);
  ASSERT_NE(device, nullptr) << result.message;
  EXPECT_TRUE(result.ok());
  // The report descriptor and the node are those of hidraw1.
  ASSERT_TRUE(device->GetCaps(caps).ok());
  EXPECT_EQ(caps.InputReportByteLength, 64);
  EXPECT_EQ(caps.OutputReportByteLength, 1024);
  const std::vector<std::uint8_t> report = {0x01, 0x01, 0xFF};
  ASSERT_TRUE(device->Write(report).ok());
  EXPECT_EQ(testing::ReadFile(tree_.devices() / "hidraw1"), "\x01\x01\xFF");
}

// A missing node is named in the result.
TEST_F(HidrawServicesTest, OpenOfAnUnknownPathOrAMissingNodeIsNotFound) {
  services_.Enumerate();
  hid::HidResult result;
  EXPECT_EQ(services_.Open(Path("hidraw9", "vid_0483&pid_5750"), result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::NotFound);
  EXPECT_EQ(services_.Open("", result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::NotFound);
  std::filesystem::remove(tree_.devices() / "hidraw1");
  EXPECT_EQ(services_.Open(Path("hidraw1", "vid_0483&pid_5750"), result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::NotFound);
  EXPECT_EQ(result.systemError, ENOENT);
  EXPECT_EQ(result.message,
            "open(" + (tree_.devices() / "hidraw1").string() + "): No such file or directory");
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

// Only a removal is Gone: a stall (EPIPE), a time-out or a bus error leaves the device there,
// and its request is tried again. Only a write refused before the transfer is NotSent.
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
      {WriteErrorClass, EINVAL, hid::HidError::NotSent},
      {WriteErrorClass, ENOMEM, hid::HidError::NotSent},
      {WriteErrorClass, ENOSYS, hid::HidError::NotSent},
      {WriteErrorClass, EPIPE, hid::HidError::Io},
      {WriteErrorClass, EIO, hid::HidError::Gone},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.classOf(row.error), row.expected) << std::generic_category().message(row.error);
  }
}

struct UeventCase {
  std::string name;
  std::string text;
  std::optional<HidUevent> parsed;  // nothing: not a HID uevent
  friend void PrintTo(const UeventCase& row, std::ostream* out) { *out << row.name; }
};

const UeventCase kCases[] = {
    {"KernelUevent",
     "DRIVER=hid-generic\nHID_ID=0003:00000483:00005750\nHID_NAME=STMicroelectronics Upgrade\n"
     "HID_PHYS=usb-0000:00:14.0-2/input0\nHID_UNIQ=\nMODALIAS=hid:b0003g0001v00000483p00005750\n",
     HidUevent{.vendorId = 0x0483, .productId = 0x5750, .name = "STMicroelectronics Upgrade"}},
    {"UpperCaseHex", "HID_ID=0003:0000046D:0000C52B\nHID_NAME=Logitech USB Receiver\n",
     HidUevent{.vendorId = 0x046D, .productId = 0xC52B, .name = "Logitech USB Receiver"}},
    {"KeepsLow16Bits", "HID_ID=0005:00010483:0002DF11\nHID_NAME=x\n",
     HidUevent{.vendorId = 0x0483, .productId = 0xDF11, .name = "x"}},
    {"NoNameLine", "HID_ID=0003:00000483:00005750\n",
     HidUevent{.vendorId = 0x0483, .productId = 0x5750, .name = std::nullopt}},
    {"EmptyName", "HID_ID=0003:00000483:00005750\nHID_NAME=\n",
     HidUevent{.vendorId = 0x0483, .productId = 0x5750, .name = std::nullopt}},
    {"NoFinalLineBreak", "HID_NAME=Pad\nHID_ID=0003:00000483:00005750",
     HidUevent{.vendorId = 0x0483, .productId = 0x5750, .name = "Pad"}},
    {"NoIdLine", "HID_NAME=Pad\n", std::nullopt},
    {"IdWithTwoFields", "HID_ID=0003:00000483\n", std::nullopt},
    {"IdWithNonHexDigits", "HID_ID=0003:0000G483:00005750\n", std::nullopt},
    {"IdWithEmptyField", "HID_ID=0003::00005750\n", std::nullopt},
};

class HidUeventTest : public ::testing::TestWithParam<UeventCase> {};

TEST_P(HidUeventTest, ReadsIdsAndName) {
  const UeventCase& c = GetParam();
  const std::optional<HidUevent> uevent = ParseHidUevent(c.text);
  ASSERT_EQ(uevent.has_value(), c.parsed.has_value());
  if (!uevent) return;
  EXPECT_EQ(uevent->vendorId, c.parsed->vendorId);
  EXPECT_EQ(uevent->productId, c.parsed->productId);
  EXPECT_EQ(uevent->name, c.parsed->name);
}

INSTANTIATE_TEST_SUITE_P(Uevents, HidUeventTest, ::testing::ValuesIn(kCases),
                         [](const auto& testCase) { return testCase.param.name; });

// A failed read leaves nothing behind: a file past its bound, or a folder that read() refuses.
TEST(SmallFile, FailureLeavesNoContents) {
  const testing::TempFolder folder;
  testing::WriteFile(folder.path() / "long", std::string("12345"));
  for (const auto& [path, error] : {std::pair{folder.path() / "long", hid::HidError::TooLong},
                                    std::pair{folder.path(), hid::HidError::Io}}) {
    std::vector<std::uint8_t> contents{1};
    EXPECT_TRUE(ReadSmallFile(path, 4, contents).error == error && contents.empty()) << path;
  }
}

// Read into a buffer one byte past the bound, a file within it gives only its own bytes.
TEST(SmallFile, FileWithinTheBoundGivesExactlyItsBytes) {
  constexpr std::size_t kLimit = 4;
  const testing::TempFolder folder;
  for (const std::string text : {"", "12", "1234"}) {  // empty, shorter, as long as the limit
    testing::WriteFile(folder.path() / "short", text);
    std::vector<std::uint8_t> contents;
    ASSERT_TRUE(ReadSmallFile(folder.path() / "short", kLimit, contents).ok()) << text;
    EXPECT_EQ(std::string(contents.begin(), contents.end()), text);
  }
}

}  // namespace
}  // namespace kr55le
