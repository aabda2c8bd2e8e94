// The controls of the main dialog, as the dialog code names them. The template identifiers are
// kept beside them (PercentEdit and MessageEdit share one, so they cannot serve as keys).
#pragma once

#include <array>
#include <cstdint>

namespace kr55le {

enum class Control {
  DeviceCombo,           // 1002
  DevicePathList,        // 1013, hidden
  BrowseButton,          // 1019
  UpgradeButton,         // 1020
  CancelButton,          // 1021
  SerialNumberField,     // 1070
  FileVersionField,      // 1071
  UpgradeModeField,      // 1072
  SoftwareVersionField,  // 1073
  BootloaderField,       // 1129
  PathEdit,              // run-time, id 1
  PercentEdit,           // run-time, id 5458
  MessageEdit,           // run-time, id 5458
  ProgressBar,           // run-time, id 22
};

inline constexpr std::size_t kControlCount = 14;

inline constexpr std::array kAllControls{
    Control::DeviceCombo,      Control::DevicePathList,   Control::BrowseButton,
    Control::UpgradeButton,    Control::CancelButton,     Control::SerialNumberField,
    Control::FileVersionField, Control::UpgradeModeField, Control::SoftwareVersionField,
    Control::BootloaderField,  Control::PathEdit,         Control::PercentEdit,
    Control::MessageEdit,      Control::ProgressBar,
};
static_assert(kAllControls.size() == kControlCount);

// What a window shows of a control's model state, besides whether it is enabled.
enum class ControlContent {
  Entries,   // the entries and the selection (and, for the combo, its edit text)
  Progress,  // the range and the position
  Caption,   // nothing: a button keeps the caption the template gives it
  Text,
};

constexpr ControlContent ContentOf(Control control) {
  switch (control) {
    case Control::DeviceCombo:
    case Control::DevicePathList:
      return ControlContent::Entries;
    case Control::ProgressBar:
      return ControlContent::Progress;
    case Control::BrowseButton:
    case Control::UpgradeButton:
    case Control::CancelButton:
      return ControlContent::Caption;
    default:
      return ControlContent::Text;
  }
}

inline constexpr int kIdDeviceCombo = 1002;
inline constexpr int kIdGroupBox = 1007;
inline constexpr int kIdDevicePathList = 1013;
inline constexpr int kIdBrowseButton = 1019;
inline constexpr int kIdUpgradeButton = 1020;
inline constexpr int kIdCancelButton = 1021;
inline constexpr int kIdSerialNumberField = 1070;
inline constexpr int kIdFileVersionField = 1071;
inline constexpr int kIdUpgradeModeField = 1072;
inline constexpr int kIdSoftwareVersionField = 1073;
inline constexpr int kIdBootloaderField = 1129;
inline constexpr int kIdPathEdit = 1;  // the OK command's identifier
inline constexpr int kIdPercentEdit = 5458;
inline constexpr int kIdMessageEdit = 5458;
inline constexpr int kIdProgressBar = 22;
inline constexpr int kIdStatic = -1;

}  // namespace kr55le
