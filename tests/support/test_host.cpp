// The test host's records, its script, its pumps and the dispatch of messages to the dialog.
#include "tests/support/test_host.h"

#include <gtest/gtest.h>

#include <utility>

namespace kr55le {

TestHost::TestHost(ControlModel& model) : model_(model) {
  for (std::size_t index = 0; index < kControlCount; ++index) {
    shownTexts_[index] = model_.Text(static_cast<Control>(index));
  }
  model_.SetObserver([this](Control control) { RecordText(control); });
}

std::optional<std::string> TestHost::OpenFileDialog(const OpenFileRequest& request) {
  openFileRequests_.push_back({std::string(request.title), std::string(request.filter),
                               std::string(request.defaultExtension)});
  // Pumped before the answer is taken, so a script step at this pump can still supply it.
  PumpMessages();
  if (openFileAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(openFileAnswers_.front());
  openFileAnswers_.pop_front();
  return answer;
}

std::unique_ptr<SystemHold> TestHost::HoldSystemAwake() {
  struct CountedHold final : SystemHold {
    explicit CountedHold(int& held) : held_(held) { ++held_; }
    ~CountedHold() override { --held_; }
    int& held_;
  };
  ++holdsTaken_;
  return std::make_unique<CountedHold>(holdsHeld_);
}

void TestHost::RecordText(Control control) {
  const auto index = static_cast<std::size_t>(control);
  const std::string& text = model_.Text(control);
  if (text == shownTexts_[index]) return;  // another property changed
  shownTexts_[index] = text;
  textHistories_[index].push_back(text);
}

void TestHost::Click(Control button) {
  switch (button) {
    case Control::BrowseButton:
      return PostIfEnabled(button, {HostMessageKind::BrowseClicked});
    case Control::UpgradeButton:
      return PostIfEnabled(button, {HostMessageKind::UpgradeClicked});
    case Control::CancelButton:
      return PostIfEnabled(button, {HostMessageKind::CancelClicked});
    default:
      ADD_FAILURE() << "only a button can be clicked";
  }
}

void TestHost::Type(const std::string& text) {
  if (Allows(Control::PathEdit)) model_.SetText(Control::PathEdit, text);
}

void TestHost::PostIfEnabled(Control control, HostMessage message) {
  if (Allows(control)) queue_.Post(message);
}

bool TestHost::Allows(Control control) {
  if (model_.IsEnabled(control)) return true;
  ++ignoredSteps_;  // a person's step on a disabled control does nothing
  return false;
}

void TestHost::PumpMessages() {
  ++pumpCount_;
  RunLink();
  // Due steps are taken out of the script first: a step may add to the script or pump again.
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
  // Each message leaves the queue before its handler runs, so a nested pump cannot see it again.
  while (std::optional<HostMessage> message = queue_.Take()) {
    if (dialog_ == nullptr) {
      ADD_FAILURE() << "a message was dispatched before a dialog was attached";
      return;
    }
    dispatched_.push_back(*message);
    Deliver(*dialog_, *message);
  }
}

int TestHost::RunModal(DialogMessages&) {
  ADD_FAILURE() << "the test host runs no modal loop";
  return kIdCancel;
}

}  // namespace kr55le
