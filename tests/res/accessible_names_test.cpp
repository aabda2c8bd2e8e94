#include "res/accessible_names.h"

#include <gtest/gtest.h>

namespace kr55le {
namespace {

struct NameCase {
  Control control;
  std::string_view name;
  bool captionPrecedes;
};

// The captions without their colon; the file version's caption follows its field in the
// template, and the combo comes before its own.
TEST(AccessibleNames, NameEachFieldAfterItsCaptionAndSayWhichCaptionsComeFirst) {
  const NameCase cases[] = {
      {Control::DeviceCombo, "Device Status", false},
      {Control::SerialNumberField, "Device Serial Number", true},
      {Control::FileVersionField, "Software Version of File", false},
      {Control::SoftwareVersionField, "Device Software Version", true},
      {Control::BootloaderField, "Bootloader Version", true},
      {Control::UpgradeModeField, "Upgrade mode", true},
      {Control::MessageEdit, "Message", false},
      {Control::PathEdit, "Image file", false},
      {Control::ProgressBar, "Progress", false},
      {Control::BrowseButton, "", false},
  };
  for (const NameCase& test : cases) {
    EXPECT_EQ(AccessibleName(test.control), test.name) << test.name;
    EXPECT_EQ(CaptionPrecedes(test.control), test.captionPrecedes) << test.name;
  }
}

TEST(AccessibleNames, TheStatusLineIsNamedWithItsStatus) {
  EXPECT_EQ(StatusLineName(""), "Message");
  EXPECT_EQ(StatusLineName("Firmware upgrade completed"), "Message: Firmware upgrade completed");
}

}  // namespace
}  // namespace kr55le
