#include "res/dialog_template.h"

#include <gtest/gtest.h>

#include "res/strings.h"

namespace kr55le::dialog_template {
namespace {

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
  const auto rectOf = [](Control control) {
    for (const RunTimeControl& row : RunTimeControls()) {
      if (row.control == control) return row.rect;
    }
    return PixelRect{};
  };
  const PixelRect path = rectOf(Control::PathEdit);
  const PixelRect progress = rectOf(Control::ProgressBar);
  EXPECT_LT(path.top, browse.bottom);
  EXPECT_GT(path.bottom, browse.top);
  EXPECT_GT(path.left, browse.right);
  EXPECT_LT(progress.top, upgrade.bottom);
  EXPECT_GT(progress.bottom, upgrade.top);
}

}  // namespace
}  // namespace kr55le::dialog_template
