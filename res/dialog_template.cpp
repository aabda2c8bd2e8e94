#include "res/dialog_template.h"

#include <array>
#include <cmath>

#include "res/strings.h"

namespace kr55le::dialog_template {

namespace {

using enum Style;
using enum ControlClass;

// Every control of the template has WS_CHILD; the rows below add it through these sets.
constexpr StyleSet kCaptionLeft{Child, Visible, Group, AlignLeft};
constexpr StyleSet kReadOnlyCentredField{
    Child, Visible, Border, TabStop, Centered, AutoHorizontalScroll, ReadOnly};

constexpr std::array<TemplateControl, kTemplateControlCount> kTemplateControls{{
    {kIdDeviceCombo,
     Control::DeviceCombo,
     ComboBox,
     "",
     {80, 7, 107, 12},
     {Child, Visible, VerticalScrollBar, TabStop, SimpleCombo, Sorted},
     std::nullopt},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionDeviceStatus,
     {25, 8, 53, 13},
     kCaptionLeft,
     Control::DeviceCombo},
    {kIdGroupBox,
     std::nullopt,
     Button,
     "",
     {100, 350, 8, 9},
     {Child, Visible, GroupBox},
     std::nullopt},
    {kIdBrowseButton,
     Control::BrowseButton,
     Button,
     text::kCaptionBrowseFile,
     {22, 41, 50, 15},
     {Child, Visible, TabStop, PushButton, Notify},
     std::nullopt},
    {kIdUpgradeButton,
     Control::UpgradeButton,
     Button,
     text::kCaptionUpgrade,
     {22, 80, 50, 14},
     {Child, Visible, Disabled, TabStop, PushButton},
     std::nullopt},
    {kIdDevicePathList,
     Control::DevicePathList,
     ListBox,
     "",
     {33, 200, 403, 76},
     {Child, Border, VerticalScrollBar, TabStop, Notify, Sorted, NoIntegralHeight},
     std::nullopt},
    {kIdCancelButton,
     Control::CancelButton,
     Button,
     text::kCaptionCancel,
     {100, 103, 50, 14},
     {Child, Visible, Disabled, TabStop, PushButton},
     std::nullopt},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionMessage,
     {30, 129, 57, 12},
     {Child, Visible, Group, Centered},
     Control::MessageEdit},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionSerialNumber,
     {210, 8, 72, 8},
     kCaptionLeft,
     Control::SerialNumberField},
    {kIdSerialNumberField,
     Control::SerialNumberField,
     Edit,
     "",
     {282, 7, 50, 14},
     kReadOnlyCentredField,
     std::nullopt},
    {kIdFileVersionField,
     Control::FileVersionField,
     Edit,
     "",
     {417, 23, 50, 14},
     kReadOnlyCentredField,
     std::nullopt},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionFileVersion,
     {334, 24, 75, 8},
     kCaptionLeft,
     Control::FileVersionField},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionDeviceVersion,
     {334, 9, 86, 8},
     kCaptionLeft,
     Control::SoftwareVersionField},
    {kIdSoftwareVersionField,
     Control::SoftwareVersionField,
     Edit,
     "",
     {417, 7, 50, 14},
     kReadOnlyCentredField,
     std::nullopt},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionBootloaderVersion,
     {210, 25, 60, 8},
     kCaptionLeft,
     Control::BootloaderField},
    {kIdBootloaderField,
     Control::BootloaderField,
     Edit,
     "",
     {281, 23, 50, 14},
     kReadOnlyCentredField,
     std::nullopt},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kMakerNotice,
     {333, 164, 150, 8},
     {Child, Visible, Disabled, Group, AlignLeft},
     std::nullopt},
    {kIdStatic,
     std::nullopt,
     Static,
     text::kCaptionUpgradeMode,
     {25, 25, 49, 10},
     kCaptionLeft,
     Control::UpgradeModeField},
    {kIdUpgradeModeField,
     Control::UpgradeModeField,
     Edit,
     "",
     {80, 24, 107, 13},
     {Child, Visible, Border, TabStop, AlignLeft, AutoHorizontalScroll, ReadOnly},
     std::nullopt},
}};

// In creation order; the rectangles are pixels (left, top, right, bottom).
constexpr std::array<RunTimeControl, kRunTimeControlCount> kRunTimeControls{{
    {Control::PathEdit,
     kIdPathEdit,
     Edit,
     {150, 70, 700, 105},
     {Child, Visible, TabStop, Multiline, Uppercase, Lowercase, AutoVerticalScroll,
      AutoHorizontalScroll, OemConvert}},
    {Control::PercentEdit, kIdPercentEdit, Edit, {650, 160, 700, 180}, {Child, Visible, ReadOnly}},
    {Control::MessageEdit,
     kIdMessageEdit,
     Edit,
     {150, 210, 700, 230},
     {Child, Visible, ReadOnly, AutoHorizontalScroll}},
    {Control::ProgressBar,
     kIdProgressBar,
     ProgressBar,
     {150, 130, 700, 155},
     {Child, Visible, Smooth}},
}};

int RoundHalfAwayFromZero(double value) {
  return static_cast<int>(std::lround(value));
}

}  // namespace

std::string_view DialogTitle() {
  return text::kDialogTitle;
}

std::span<const TemplateControl> TemplateControls() {
  return kTemplateControls;
}

std::span<const RunTimeControl> RunTimeControls() {
  return kRunTimeControls;
}

bool StartsEnabled(Control control) {
  for (const TemplateControl& row : kTemplateControls) {
    if (row.control == control) return !row.styles.Has(Disabled);
  }
  return true;
}

int HorizontalUnitsToPixels(int units) {
  return RoundHalfAwayFromZero(units * kPixelsPerHorizontalUnit);
}

int VerticalUnitsToPixels(int units) {
  return RoundHalfAwayFromZero(units * kPixelsPerVerticalUnit);
}

PixelRect ScaleToDpi(const PixelRect& rect, int dpi) {
  const auto scale = [dpi](int pixels) {
    return RoundHalfAwayFromZero(static_cast<double>(pixels) * dpi / kDesignDpi);
  };
  return {scale(rect.left), scale(rect.top), scale(rect.right), scale(rect.bottom)};
}

PixelRect ToPixels(const DialogUnitRect& rect) {
  const int left = HorizontalUnitsToPixels(rect.x);
  const int top = VerticalUnitsToPixels(rect.y);
  return {left, top, left + HorizontalUnitsToPixels(rect.width),
          top + VerticalUnitsToPixels(rect.height)};
}

}  // namespace kr55le::dialog_template
