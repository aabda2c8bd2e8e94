#include "platform/linux/hid_uevent.h"

#include <gtest/gtest.h>

#include <string>

namespace kr55le {
namespace {

struct UeventCase {
  std::string name;
  std::string text;
  std::optional<HidUevent> parsed;  // nothing: not a HID uevent
};

void PrintTo(const UeventCase& testCase, std::ostream* out) {
  *out << testCase.name;
}

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

}  // namespace
}  // namespace kr55le
