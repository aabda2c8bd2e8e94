// One step of a scripted scenario: what a person (or the test itself) does while the dialog
// runs in the test host. The host decides, when the step comes due, whether the person could do
// it (a disabled button cannot be clicked) and queues the messages it causes.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "res/controls.h"

namespace kr55le {

class TestAction {
 public:
  // Clicks a button (BrowseButton, UpgradeButton, CancelButton); ignored while it is disabled.
  static TestAction Click(Control button);
  // The Enter key in PathEdit: the OK command; ignored while PathEdit is disabled.
  static TestAction Enter();
  // The Escape key (or the close box): the Cancel command.
  static TestAction Escape();
  // Replaces PathEdit's text, as typing would; ignored while PathEdit is disabled.
  static TestAction Type(std::string text);
  // Anything else, e.g. plugging or pulling a simulated device.
  static TestAction Run(std::function<void()> work, std::string description = "run a step");

  // Names the step in failures and in the host's list of ignored steps, e.g. "click CancelButton".
  const std::string& Description() const { return description_; }

 private:
  friend class TestHost;
  enum class Kind { Click, Enter, Escape, Type, Run };
  TestAction(Kind kind, std::string description);

  Kind kind_;
  Control control_ = Control::BrowseButton;
  std::string text_;
  std::function<void()> work_;
  std::string description_;
};

// The control's name as the dialog code spells it, e.g. "UpgradeButton".
std::string_view ControlName(Control control);

}  // namespace kr55le
