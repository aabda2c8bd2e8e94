#include "res/dialog_template.h"

#include <gtest/gtest.h>

#include <set>

#include "res/strings.h"

namespace kr55le::dialog_template {
namespace {

TEST(DialogTemplate, ListsNineteenControlsInTemplateOrder) {
  const std::vector<int> expected{kIdDeviceCombo,      kIdStatic,
                                  kIdGroupBox,         kIdBrowseButton,
                                  kIdUpgradeButton,    kIdDevicePathList,
                                  kIdCancelButton,     kIdStatic,
                                  kIdStatic,           kIdSerialNumberField,
                                  kIdFileVersionField, kIdStatic,
                                  kIdStatic,           kIdSoftwareVersionField,
                                  kIdStatic,           kIdBootloaderField,
                                  kIdStatic,           kIdStatic,
                                  kIdUpgradeModeField};
  std::vector<int> ids;
  for (const TemplateControl& row : TemplateControls()) ids.push_back(row.id);
  EXPECT_EQ(ids, expected);
}

TEST(DialogTemplate, EveryControlIsAChildAndOnlyTheListBoxIsHidden) {
  for (const TemplateControl& row : TemplateControls()) {
    EXPECT_TRUE(row.styles.Has(Style::Child)) << row.id;
    EXPECT_EQ(row.styles.Has(Style::Visible), row.id != kIdDevicePathList) << row.id;
  }
}

TEST(DialogTemplate, OnlyUpgradeAndCancelStartDisabled) {
  EXPECT_TRUE(StartsEnabled(Control::BrowseButton));
  EXPECT_FALSE(StartsEnabled(Control::UpgradeButton));
  EXPECT_FALSE(StartsEnabled(Control::CancelButton));
  EXPECT_TRUE(StartsEnabled(Control::DeviceCombo));
  EXPECT_TRUE(StartsEnabled(Control::PathEdit));
}

TEST(DialogTemplate, RunTimeControlsHaveTheirPixelRectangles) {
  const auto controls = RunTimeControls();
  ASSERT_EQ(controls.size(), kRunTimeControlCount);
  EXPECT_EQ(controls[0].control, Control::PathEdit);
  EXPECT_EQ(controls[0].rect, (PixelRect{150, 70, 700, 105}));
  EXPECT_TRUE(controls[0].styles.Has(Style::Multiline));
  EXPECT_EQ(controls[1].control, Control::PercentEdit);
  EXPECT_EQ(controls[1].rect, (PixelRect{650, 160, 700, 180}));
  EXPECT_EQ(controls[2].control, Control::MessageEdit);
  EXPECT_EQ(controls[2].rect, (PixelRect{150, 210, 700, 230}));
  EXPECT_EQ(controls[3].control, Control::ProgressBar);
  EXPECT_EQ(controls[3].rect, (PixelRect{150, 130, 700, 155}));
}

TEST(DialogUnits, ConvertEachEdgeAndSizeRoundingHalvesAway) {
  EXPECT_EQ(HorizontalUnitsToPixels(483), 725);  // 724.5
  EXPECT_EQ(VerticalUnitsToPixels(175), 284);    // 284.375
  EXPECT_EQ(VerticalUnitsToPixels(41), 67);      // 66.625
  EXPECT_EQ(ToPixels({22, 41, 50, 15}), (PixelRect{33, 67, 108, 91}));
  EXPECT_EQ(ToPixels(kDialogRect), (PixelRect{0, 0, 725, 284}));
}

TEST(DialogUnits, PutTheRunTimeControlsInTheRowsOfTheirButtons) {
  const PixelRect browse = ToPixels(FindTemplateControl(kIdBrowseButton)->rect);
  const PixelRect upgrade = ToPixels(FindTemplateControl(kIdUpgradeButton)->rect);
  const PixelRect path = RunTimeControls()[0].rect;
  const PixelRect progress = RunTimeControls()[3].rect;
  EXPECT_LT(path.top, browse.bottom);
  EXPECT_GT(path.bottom, browse.top);
  EXPECT_GT(path.left, browse.right);
  EXPECT_LT(progress.top, upgrade.bottom);
  EXPECT_GT(progress.bottom, upgrade.top);
}

}  // namespace
}  // namespace kr55le::dialog_template
