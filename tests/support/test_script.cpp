// The test host's script and its loops: pumping, performing due actions and the modal loop.
#include <algorithm>
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

void TestHost::SetIdlePumpLimit(int limit) {
  idlePumpLimit_ = limit;
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
  Pump();
}

bool TestHost::Pump() {
  ++pumpCount_;
  bool active = PerformDueActions();
  // Each message leaves the queue before its handler runs, so a nested pump cannot see it again.
  while (std::optional<HostMessage> message = queue_.Take()) {
    active = true;
    Dispatch(*message);
  }
  return active;
}

bool TestHost::PerformDueActions() {
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
  return !due.empty();
}

bool TestHost::HasPumpNumberedActions() const {
  return std::any_of(script_.begin(), script_.end(),
                     [](const ScheduledAction& entry) { return !entry.condition; });
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
  int idlePumps = 0;
  while (!endResult_) {
    if (queue_.Size() == 0 && script_.empty()) return kRunNotEnded;
    if (Pump() || HasPumpNumberedActions()) {
      idlePumps = 0;
      continue;
    }
    if (++idlePumps >= idlePumpLimit_) {
      Fail("the dialog did not end; after " + std::to_string(idlePumps) +
           " idle pumps these actions still wait for their condition: " + DescribeWaitingActions());
      return kRunStalled;
    }
  }
  return *endResult_;
}

}  // namespace kr55le
