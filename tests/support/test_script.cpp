// The test host's script and its loops: a person's steps, pumping and the modal loop.
#include <utility>

#include "tests/support/test_host.h"

namespace kr55le {

void TestHost::Click(Control button) {
  const auto message = button == Control::BrowseButton    ? HostMessageKind::BrowseClicked
                       : button == Control::UpgradeButton ? HostMessageKind::UpgradeClicked
                       : button == Control::CancelButton  ? HostMessageKind::CancelClicked
                                                          : std::optional<HostMessageKind>();
  if (!message) {
    Fail("only a button can be clicked");
  } else if (!model_.IsEnabled(button)) {
    ++ignoredSteps_;
  } else {
    queue_.Post({*message});
  }
}

void TestHost::Enter() {
  if (model_.IsEnabled(Control::PathEdit)) {
    queue_.Post({HostMessageKind::OkCommand});
  } else {
    ++ignoredSteps_;
  }
}

void TestHost::Escape() {
  queue_.Post({HostMessageKind::CancelCommand});
}

void TestHost::Type(const std::string& text) {
  if (model_.IsEnabled(Control::PathEdit)) {
    model_.SetText(Control::PathEdit, text);
  } else {
    ++ignoredSteps_;
  }
}

void TestHost::When(std::function<bool()> condition, std::function<void()> step) {
  script_.push_back({std::move(condition), std::move(step)});
}

void TestHost::PumpMessages() {
  ++pumpCount_;
  PerformDueSteps();
  // Each message leaves the queue before its handler runs, so a nested pump cannot see it again.
  while (std::optional<HostMessage> message = queue_.Take()) Dispatch(*message);
}

void TestHost::PerformDueSteps() {
  // Taken out of the script first: a step may add to the script or pump again.
  std::vector<std::function<void()>> due;
  for (auto entry = script_.begin(); entry != script_.end();) {
    if (entry->condition()) {
      due.push_back(std::move(entry->step));
      entry = script_.erase(entry);
    } else {
      ++entry;
    }
  }
  for (const auto& step : due) step();
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
