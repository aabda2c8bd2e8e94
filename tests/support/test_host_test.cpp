#include "tests/support/test_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kr55le {
namespace {

// Records each handler call; a test hooks behaviour onto the handlers it needs.
class FakeDialog : public DialogMessages {
 public:
  std::vector<std::string> calls;
  std::function<void()> onUpgrade;
  std::function<void()> onCancel;
  int deviceChanges = 0;

  bool OnInitDialog() override { return Record("OnInitDialog"); }
  void OnBrowseFile() override { Record("OnBrowseFile"); }
  void OnUpgrade() override {
    Record("OnUpgrade");
    if (onUpgrade) onUpgrade();
  }
  void OnCancelUpgrade() override { Record("OnCancelUpgrade"); }
  void OnOK() override { Record("OnOK"); }
  void OnCancel() override {
    Record("OnCancel");
    if (onCancel) onCancel();
  }
  void OnDeviceChange(hid::DeviceChange change) override {
    ++deviceChanges;
    Record(change == hid::DeviceChange::Arrival ? "OnDeviceChange arrival"
                                                : "OnDeviceChange removal");
  }

 private:
  bool Record(std::string call) {
    calls.push_back(std::move(call));
    return true;
  }
};

class TestHostTest : public ::testing::Test {
 protected:
  TestHostTest() { host.Attach(dialog); }
  ControlModel model;
  TestHost host{model};
  FakeDialog dialog;
};

using Calls = std::vector<std::string>;

TEST(TestHost, DispatchesAnActionToItsHandlerOnlyWhenAPersonCouldDoIt) {
  const struct {
    TestAction action;
    Control needsEnabled;
    Calls whenEnabled;
  } cases[] = {
      {TestAction::Click(Control::BrowseButton), Control::BrowseButton, {"OnBrowseFile"}},
      {TestAction::Click(Control::UpgradeButton), Control::UpgradeButton, {"OnUpgrade"}},
      {TestAction::Click(Control::CancelButton), Control::CancelButton, {"OnCancelUpgrade"}},
      {TestAction::Enter(), Control::PathEdit, {"OnOK"}},
  };
  for (const auto& c : cases) {
    for (const bool enabled : {true, false}) {
      ControlModel model;
      TestHost host(model);
      FakeDialog dialog;
      host.Attach(dialog);
      model.Enable(c.needsEnabled, enabled);
      host.Perform(c.action);
      EXPECT_EQ(host.QueuedCount(), enabled ? 1u : 0u) << c.action.Description();
      host.PumpMessages();
      EXPECT_EQ(dialog.calls, enabled ? c.whenEnabled : Calls{}) << c.action.Description();
      EXPECT_EQ(host.IgnoredActions(), enabled ? Calls{} : Calls{c.action.Description()});
    }
  }
}

TEST_F(TestHostTest, EscapeIsTheCancelCommandEvenWithEverythingDisabled) {
  for (std::size_t index = 0; index < kControlCount; ++index) {
    model.Enable(static_cast<Control>(index), false);
  }
  host.Perform(TestAction::Escape());
  host.PumpMessages();
  EXPECT_EQ(dialog.calls, Calls{"OnCancel"});
}

TEST_F(TestHostTest, RunsScriptedActionsAtTheirPumpOrOnceTheirConditionHolds) {
  std::vector<int> firedAt;
  const auto note = [&] { firedAt.push_back(host.PumpCount()); };
  bool ready = false;
  host.At(3, TestAction::Run(note));
  host.When([&ready] { return ready; }, TestAction::Run(note));
  host.At(2, TestAction::Run([&ready] { ready = true; }));
  for (int pump = 0; pump < 5; ++pump) host.PumpMessages();
  EXPECT_EQ(firedAt, (std::vector<int>{3, 3}));
}

TEST_F(TestHostTest, NestedPumpsDispatchEachMessageOnce) {
  host.Perform(TestAction::Click(Control::UpgradeButton));
  host.Perform(TestAction::Click(Control::CancelButton));
  host.At(2, TestAction::Escape());
  dialog.onUpgrade = [this] {
    host.PumpMessages();
    host.PumpMessages();
    dialog.calls.push_back("OnUpgrade returns");
  };
  host.PumpMessages();
  EXPECT_EQ(dialog.calls, (Calls{"OnUpgrade", "OnCancelUpgrade", "OnCancel", "OnUpgrade returns"}));
  EXPECT_EQ(host.DispatchedMessages().size(), 3u);
}

TEST_F(TestHostTest, DeliversEveryDeviceChangePostedFromAnotherThreadWhilePumping) {
  constexpr int kNotices = 200;
  std::thread notifier([this] {
    for (int notice = 0; notice < kNotices; ++notice) {
      host.PostDeviceChange(hid::DeviceChange::Removal);
    }
  });
  while (dialog.deviceChanges < kNotices) host.PumpMessages();
  notifier.join();
  host.PumpMessages();
  EXPECT_EQ(dialog.deviceChanges, kNotices);
  EXPECT_EQ(dialog.calls.back(), "OnDeviceChange removal");
}

TEST_F(TestHostTest, RunModalEndsWhenTheHandlerThatEndedTheDialogHasReturned) {
  host.At(1, TestAction::Click(Control::UpgradeButton));
  host.At(2, TestAction::Escape());
  dialog.onCancel = [this] { host.EndDialog(kIdCancel); };
  dialog.onUpgrade = [this] {
    host.PumpMessages();
    dialog.calls.push_back("OnUpgrade returns");
  };
  EXPECT_EQ(host.RunModal(dialog), kIdCancel);
  EXPECT_EQ(dialog.calls, (Calls{"OnInitDialog", "OnUpgrade", "OnCancel", "OnUpgrade returns"}));
  EXPECT_EQ(host.EndResult(), kIdCancel);
}

TEST_F(TestHostTest, RunModalReturnsNotEndedWhenNothingIsLeftToDo) {
  host.SetIdlePumpLimit(2);  // pumps up to a numbered action do not count as idle
  host.At(4, TestAction::Click(Control::BrowseButton));
  EXPECT_EQ(host.RunModal(dialog), kRunNotEnded);
  EXPECT_EQ(dialog.calls, (Calls{"OnInitDialog", "OnBrowseFile"}));
  EXPECT_EQ(host.EndResult(), std::nullopt);
}

TEST_F(TestHostTest, RunModalGivesUpOnAConditionThatNeverHoldsAndNamesTheAction) {
  constexpr int kIdleLimit = 5;
  std::vector<std::string> failures;
  host.SetFailureHandler([&failures](const std::string& message) { failures.push_back(message); });
  host.SetIdlePumpLimit(kIdleLimit);
  host.When([] { return false; }, TestAction::Click(Control::CancelButton));
  EXPECT_EQ(host.RunModal(dialog), kRunStalled);
  EXPECT_EQ(host.PumpCount(), kIdleLimit);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("click CancelButton"), std::string::npos) << failures[0];
}

}  // namespace
}  // namespace kr55le
