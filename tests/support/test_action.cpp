#include "tests/support/test_action.h"

#include <utility>

namespace kr55le {

TestAction::TestAction(Kind kind, std::string description)
    : kind_(kind), description_(std::move(description)) {}

TestAction TestAction::Click(Control button) {
  TestAction action(Kind::Click, "click " + std::string(ControlName(button)));
  action.control_ = button;
  return action;
}

TestAction TestAction::Enter() {
  return TestAction(Kind::Enter, "press Enter");
}

TestAction TestAction::Escape() {
  return TestAction(Kind::Escape, "press Escape");
}

TestAction TestAction::Type(std::string text) {
  TestAction action(Kind::Type, "type \"" + text + "\"");
  action.text_ = std::move(text);
  return action;
}

TestAction TestAction::Run(std::function<void()> work, std::string description) {
  TestAction action(Kind::Run, std::move(description));
  action.work_ = std::move(work);
  return action;
}

std::string_view ControlName(Control control) {
  switch (control) {
    case Control::DeviceCombo:
      return "DeviceCombo";
    case Control::DevicePathList:
      return "DevicePathList";
    case Control::BrowseButton:
      return "BrowseButton";
    case Control::UpgradeButton:
      return "UpgradeButton";
    case Control::CancelButton:
      return "CancelButton";
    case Control::SerialNumberField:
      return "SerialNumberField";
    case Control::FileVersionField:
      return "FileVersionField";
    case Control::UpgradeModeField:
      return "UpgradeModeField";
    case Control::SoftwareVersionField:
      return "SoftwareVersionField";
    case Control::BootloaderField:
      return "BootloaderField";
    case Control::PathEdit:
      return "PathEdit";
    case Control::PercentEdit:
      return "PercentEdit";
    case Control::MessageEdit:
      return "MessageEdit";
    case Control::ProgressBar:
      return "ProgressBar";
  }
  return "unknown control";
}

}  // namespace kr55le
