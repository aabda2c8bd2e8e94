// The test host's script and its loops: pumping, performing due actions and the modal loop.
#include <utility>

#include "tests/support/test_host.h"

namespace kr55le {
namespace {

std::optional<HostMessageKind> ClickMessage(Control control) {
  switch (control) {
    case Control::BrowseButton:
      return HostMessageKind::BrowseClicked;
    case Control::UpgradeButton:
      return HostMessageKind::UpgradeClicked;
    case Control::CancelButton:
      return HostMessageKind::CancelClicked;
    default:
      return std::nullopt;
  }
}

}  // namespace

void TestHost::At(int pumpNumber, TestAction action) {
  script_.push_back({pumpNumber, nullptr, std::move(action)});
}

void TestHost::When(std::function<bool()> condition, TestAction action) {
  if (!condition) {
    Fail("When without a condition: " + action.Description());
    return;
  }
  script_.push_back({0, std::move(condition), std::move(action)});
}

void TestHost::Perform(const TestAction& action) {
  switch (action.kind_) {
    case TestAction::Kind::Click: {
      const std::optional<HostMessageKind> click = ClickMessage(action.control_);
      if (!click) {
        Fail(action.Description() + ": only a button can be clicked");
      } else if (!model_.IsEnabled(action.control_)) {
        Ignore(action);
      } else {
        queue_.Post({*click});
      }
      return;
    }
    case TestAction::Kind::Enter:
      if (model_.IsEnabled(Control::PathEdit)) {
        queue_.Post({HostMessageKind::OkCommand});
      } else {
        Ignore(action);
      }
      return;
    case TestAction::Kind::Escape:
      queue_.Post({HostMessageKind::CancelCommand});
      return;
    case TestAction::Kind::Type:
      if (model_.IsEnabled(Control::PathEdit)) {
        model_.SetText(Control::PathEdit, action.text_);
      } else {
        Ignore(action);
      }
      return;
    case TestAction::Kind::Run:
      if (action.work_) action.work_();
      return;
  }
}

void TestHost::PumpMessages() {
  ++pumpCount_;
  PerformDueActions();
  // Each message leaves the queue before its handler runs, so a nested pump cannot see it again.
  while (std::optional<HostMessage> message = queue_.Take()) Dispatch(*message);
}

void TestHost::PerformDueActions() {
  // Taken out of the script first: an action may add to the script or pump again.
  std::vector<TestAction> due;
  for (auto entry = script_.begin(); entry != script_.end();) {
    const bool isDue = entry->condition ? entry->condition() : entry->pumpNumber <= pumpCount_;
    if (isDue) {
      due.push_back(std::move(entry->action));
      entry = script_.erase(entry);
    } else {
      ++entry;
    }
  }
  for (const TestAction& action : due) Perform(action);
}

std::string TestHost::DescribeWaitingActions() const {
  std::string description;
  for (const ScheduledAction& entry : script_) {
    if (!description.empty()) description += "; ";
    description += entry.action.Description();
  }
  return description;
}

int TestHost::RunModal(DialogMessages& dialog) {
  Attach(dialog);
  endResult_.reset();
  dialog.OnInitDialog();  // its result only chooses where the focus goes
  while (!endResult_) {
    if (queue_.Size() == 0 && script_.empty()) return kRunNotEnded;
    PumpMessages();
  }
  return *endResult_;
}

}  // namespace kr55le
