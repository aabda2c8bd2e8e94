// The scenario tests trust their host to act only as a person could and to run each scripted
// action when it is due; its message loop is checked with the other hosts' in HostBehaviourTest.
#include "tests/support/test_host.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/host_behaviour.h"

namespace kr55le {
namespace {

using testing::Received;
using testing::RecordingDialog;

struct TestHostDriver {
  TestHostDriver(ControlModel& model, hid::HidServices*) : host(model) {}
  DialogHost& Host() { return host; }
  TestHost host;
};

TEST(TestHost, DispatchesAnActionToItsHandlerOnlyWhenAPersonCouldDoIt) {
  const struct {
    TestAction action;
    std::optional<Control> needsEnabled;
    Received handler;
  } cases[] = {
      {TestAction::Click(Control::BrowseButton), Control::BrowseButton, Received::BrowseFile},
      {TestAction::Click(Control::UpgradeButton), Control::UpgradeButton, Received::Upgrade},
      {TestAction::Click(Control::CancelButton), Control::CancelButton, Received::CancelUpgrade},
      {TestAction::Enter(), Control::PathEdit, Received::Ok},
      {TestAction::Escape(), std::nullopt, Received::Cancel},
  };
  for (const auto& c : cases) {
    for (const bool enabled : {true, false}) {
      ControlModel model;
      for (std::size_t index = 0; index < kControlCount; ++index) {
        model.Enable(static_cast<Control>(index), false);
      }
      if (c.needsEnabled) model.Enable(*c.needsEnabled, enabled);
      TestHost host(model);
      RecordingDialog dialog;
      host.Attach(dialog);
      host.Perform(c.action);
      host.PumpMessages();
      const bool possible = enabled || !c.needsEnabled;
      EXPECT_EQ(dialog.received, possible ? std::vector{c.handler} : std::vector<Received>{})
          << c.action.Description();
      EXPECT_EQ(host.IgnoredActions(), possible ? std::vector<std::string>{}
                                                : std::vector<std::string>{c.action.Description()});
    }
  }
}

TEST(TestHost, RunsScriptedActionsAtTheirPumpOrOnceTheirConditionHolds) {
  ControlModel model;
  TestHost host(model);
  std::vector<int> firedAt;
  const auto note = [&] { firedAt.push_back(host.PumpCount()); };
  bool ready = false;
  host.At(3, TestAction::Run(note));
  host.When([&ready] { return ready; }, TestAction::Run(note));
  host.At(2, TestAction::Run([&ready] { ready = true; }));
  for (int pump = 0; pump < 5; ++pump) host.PumpMessages();
  EXPECT_EQ(firedAt, (std::vector<int>{3, 3}));
}

}  // namespace
}  // namespace kr55le

// The shared host suites are instantiated where they were declared.
namespace kr55le::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Test, HostBehaviourTest, ::testing::Types<TestHostDriver>);
}  // namespace kr55le::testing
