#include "res/dialog_template.h"

#include <gtest/gtest.h>

namespace kr55le::dialog_template {
namespace {

TEST(DialogUnits, ConvertEachEdgeAndSizeRoundingHalvesAway) {
  EXPECT_EQ(HorizontalUnitsToPixels(483), 725);  // 724.5
  EXPECT_EQ(VerticalUnitsToPixels(175), 284);    // 284.375
  EXPECT_EQ(VerticalUnitsToPixels(41), 67);      // 66.625
  EXPECT_EQ(ToPixels({22, 41, 50, 15}), (PixelRect{33, 67, 108, 91}));
  EXPECT_EQ(ToPixels(kDialogRect), (PixelRect{0, 0, 725, 284}));
}

// At 100%, 150% and 200% the run-time controls, scaled by the screen's DPI, stay in the rows of
// their buttons, which the dialog font scales alike.
TEST(DialogUnits, PutTheRunTimeControlsInTheRowsOfTheirButtonsAtEveryScale) {
  const auto rectOf = [](Control control) {
    for (const RunTimeControl& row : RunTimeControls()) {
      if (row.control == control) return row.rect;
    }
    return PixelRect{};
  };
  const auto templateRectOf = [](int id) {
    for (const TemplateControl& row : TemplateControls()) {
      if (row.id == id) return row.rect;
    }
    return DialogUnitRect{};
  };
  for (const int dpi : {kDesignDpi, 144, 192}) {
    const PixelRect browse = ScaleToDpi(ToPixels(templateRectOf(kIdBrowseButton)), dpi);
    const PixelRect upgrade = ScaleToDpi(ToPixels(templateRectOf(kIdUpgradeButton)), dpi);
    const PixelRect path = ScaleToDpi(rectOf(Control::PathEdit), dpi);
    const PixelRect progress = ScaleToDpi(rectOf(Control::ProgressBar), dpi);
    EXPECT_LT(path.top, browse.bottom) << dpi;
    EXPECT_GT(path.bottom, browse.top) << dpi;
    EXPECT_GT(path.left, browse.right) << dpi;
    EXPECT_LT(progress.top, upgrade.bottom) << dpi;
    EXPECT_GT(progress.bottom, upgrade.top) << dpi;
  }
  EXPECT_EQ(ScaleToDpi({150, 70, 700, 105}, 144), (PixelRect{225, 105, 1050, 158}));  // 157.5
  EXPECT_EQ(ScaleToDpi({150, 70, 700, 105}, kDesignDpi), (PixelRect{150, 70, 700, 105}));
}

}  // namespace
}  // namespace kr55le::dialog_template
