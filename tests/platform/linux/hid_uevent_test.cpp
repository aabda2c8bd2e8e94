#include "platform/linux/hid_uevent.h"

#include <gtest/gtest.h>

#include <string>

namespace kr55le {
namespace {

struct UeventCase {
  std::string name;
  std::string text;
  bool parsed;
  std::uint16_t vendorId;
  std::uint16_t productId;
  std::optional<std::string> description;
};

void PrintTo(const UeventCase& testCase, std::ostream* out) {
  *out << testCase.name;
}

const UeventCase kCases[] = {
    {"KernelUevent",
     "DRIVER=hid-generic\nHID_ID=0003:00000483:00005750\nHID_NAME=STMicroelectronics Upgrade\n"
     "HID_PHYS=usb-0000:00:14.0-2/input0\nHID_UNIQ=\nMODALIAS=hid:b0003g0001v00000483p00005750\n",
     true, 0x0483, 0x5750, "STMicroelectronics Upgrade"},
    {"UpperCaseHex", "HID_ID=0003:0000046D:0000C52B\nHID_NAME=Logitech USB Receiver\n", true,
     0x046D, 0xC52B, "Logitech USB Receiver"},
    {"KeepsLow16Bits", "HID_ID=0005:00010483:0002DF11\nHID_NAME=x\n", true, 0x0483, 0xDF11, "x"},
    {"NoNameLine", "HID_ID=0003:00000483:00005750\n", true, 0x0483, 0x5750, std::nullopt},
    {"EmptyName", "HID_ID=0003:00000483:00005750\nHID_NAME=\n", true, 0x0483, 0x5750, std::nullopt},
    {"NoFinalLineBreak", "HID_NAME=Pad\nHID_ID=0003:00000483:00005750", true, 0x0483, 0x5750,
     "Pad"},
    {"NoIdLine", "HID_NAME=Pad\n", false, 0, 0, std::nullopt},
    {"IdWithTwoFields", "HID_ID=0003:00000483\n", false, 0, 0, std::nullopt},
    {"IdWithNonHexDigits", "HID_ID=0003:0000G483:00005750\n", false, 0, 0, std::nullopt},
    {"IdWithEmptyField", "HID_ID=0003::00005750\n", false, 0, 0, std::nullopt},
};

class HidUeventTest : public ::testing::TestWithParam<UeventCase> {};

TEST_P(HidUeventTest, ReadsIdsAndName) {
  const UeventCase& c = GetParam();
  const std::optional<HidUevent> uevent = ParseHidUevent(c.text);
  ASSERT_EQ(uevent.has_value(), c.parsed);
  if (!uevent) return;
  EXPECT_EQ(uevent->vendorId, c.vendorId);
  EXPECT_EQ(uevent->productId, c.productId);
  EXPECT_EQ(uevent->name, c.description);
}

INSTANTIATE_TEST_SUITE_P(Uevents, HidUeventTest, ::testing::ValuesIn(kCases),
                         [](const auto& testCase) { return testCase.param.name; });

}  // namespace
}  // namespace kr55le
