#include "platform/console/console_host.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "platform/console/interrupt_counter.h"
#include "tests/support/host_behaviour.h"
#include "tests/support/memory_stream.h"

namespace kr55le::console {
namespace {

using kr55le::testing::PipeNoticeServices;
using kr55le::testing::Received;
using kr55le::testing::RecordingDialog;

struct ConsoleDriver {
  ConsoleDriver(ControlModel& model, hid::HidServices* services) : host(model, services, {}) {}
  DialogHost& Host() { return host; }
  ConsoleHost host;
};

class ConsoleHostTest : public ::testing::Test {
 protected:
  ConsoleHostSettings Settings(std::vector<ConsoleStep> steps = {}) {
    return {.steps = std::move(steps),
            .imagePath = "/images/a.bin",
            .errors = errors.file(),
            .interrupts = &presses,
            .onStatusText = [this](std::string_view text) { statusTexts.emplace_back(text); }};
  }

  ControlModel model;
  RecordingDialog dialog;
  testing::MemoryStream errors;
  std::atomic<int> presses{0};
  std::vector<std::string> statusTexts;
};

using Calls = std::vector<Received>;

// Each button is looked at when its step comes, after the steps before it have run; EndDialog
// stops the steps and gives its result.
TEST_F(ConsoleHostTest, ClicksEachStepWhileItsButtonIsEnabledUntilTheDialogEnds) {
  enum class OnBrowse { Nothing, DisableUpgrade, EndDialog };
  const struct {
    bool browseEnabled;
    OnBrowse onBrowse;
    Calls calls;
    std::optional<ConsoleStep> stoppedAt = std::nullopt;
    int result = kConsoleRunNotEnded;
  } cases[] = {
      {true, OnBrowse::Nothing, {Received::BrowseFile, Received::Upgrade}},
      {true, OnBrowse::DisableUpgrade, {Received::BrowseFile}, ConsoleStep::Upgrade},
      {false, OnBrowse::Nothing, {}, ConsoleStep::Browse},
      {true, OnBrowse::EndDialog, {Received::BrowseFile}, std::nullopt, kIdCancel},
  };
  for (const auto& c : cases) {
    RecordingDialog fake;
    ConsoleHost host(model, nullptr, Settings({ConsoleStep::Browse, ConsoleStep::Upgrade}));
    model.Enable(Control::BrowseButton, c.browseEnabled);
    model.Enable(Control::UpgradeButton, true);
    fake.react = [&](Received message) {
      if (message != Received::BrowseFile) return;
      if (c.onBrowse == OnBrowse::DisableUpgrade) model.Enable(Control::UpgradeButton, false);
      if (c.onBrowse == OnBrowse::EndDialog) host.EndDialog(kIdCancel);
    };
    EXPECT_EQ(host.RunModal(fake), c.result);
    EXPECT_EQ(fake.SinceInit(), c.calls);
    EXPECT_EQ(host.StoppedAt(), c.stoppedAt);
    EXPECT_EQ(host.Ended(), c.result != kConsoleRunNotEnded);
  }
}

TEST_F(ConsoleHostTest, CtrlCIsTheCancelButtonFirstAndThenTheCloseBox) {
  const struct {
    bool cancelEnabled;
    int presses;
    Calls calls;
  } cases[] = {
      {.cancelEnabled = true, .presses = 1, .calls = {Received::CancelUpgrade}},
      {.cancelEnabled = true, .presses = 2, .calls = {Received::CancelUpgrade, Received::Cancel}},
      {.cancelEnabled = false, .presses = 1, .calls = {Received::Cancel}},
  };
  for (const auto& c : cases) {
    RecordingDialog fake;
    presses = 0;
    ConsoleHost host(model, nullptr, Settings({ConsoleStep::Browse}));
    model.Enable(Control::CancelButton, c.cancelEnabled);
    fake.react = [&](Received message) {
      if (message != Received::BrowseFile) return;
      presses += c.presses;
      host.PumpMessages();
    };
    host.RunModal(fake);
    Calls expected = {Received::BrowseFile};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(fake.SinceInit(), expected);
  }
}

TEST_F(ConsoleHostTest, APressIsHandedOnOnlyOnce) {
  ConsoleHost host(model, nullptr, Settings());
  presses = 1;
  host.RunModal(dialog);
  host.RunModal(dialog);
  EXPECT_EQ(dialog.received,
            (Calls{Received::InitDialog, Received::CancelUpgrade, Received::InitDialog}));
}

// Like a window's box, it dispatches what is queued while it is shown.
TEST_F(ConsoleHostTest, MessageBoxPrintsItsLineAndDispatchesWhatIsQueued) {
  ConsoleHost host(model, nullptr, Settings());
  Calls whileShown;
  dialog.react = [&](Received message) {
    if (message != Received::InitDialog) return;
    host.PostDeviceChange(hid::DeviceChange::Removal);
    host.MessageBox("box");
    whileShown = dialog.SinceInit();
  };
  host.RunModal(dialog);
  EXPECT_EQ(whileShown, Calls{Received::DeviceRemoval});
  EXPECT_EQ(errors.Text(), "box\n");
}

TEST_F(ConsoleHostTest, ReportsEachNewStatusTextInOrder) {
  ConsoleHost host(model, nullptr, Settings());
  model.SetText(Control::MessageEdit, "first");
  model.Enable(Control::MessageEdit, false);
  model.SetText(Control::MessageEdit, "first");
  model.SetText(Control::PercentEdit, "5 %");
  model.SetText(Control::MessageEdit, "second");
  EXPECT_EQ(statusTexts, (std::vector<std::string>{"first", "second"}));
}

// A real removal's notice may come only after the failure that ended the last step.
TEST_F(ConsoleHostTest, AfterTheStepsAwaitsTheNoticeOnlyOfADeviceThatWent) {
  for (const bool gone : {true, false}) {
    RecordingDialog fake;
    PipeNoticeServices services;
    ConsoleHostSettings settings = Settings();
    settings.deviceGone = [&services, gone] {
      services.Signal();
      return gone;
    };
    ConsoleHost host(model, &services, std::move(settings));
    services.RegisterNotices([&host](hid::DeviceChange change) { host.PostDeviceChange(change); });
    host.RunModal(fake);
    EXPECT_EQ(fake.SinceInit(), gone ? Calls{Received::DeviceArrival} : Calls{});
  }
}

// A backend without a notice descriptor posts its notices from a thread of its own; the host
// waits for a late one all the same.
TEST_F(ConsoleHostTest, AwaitsALateNoticeFromTheBackendsOwnThread) {
  struct ThreadNoticeServices final : hid::HidServices {
    std::vector<hid::HidInterface> Enumerate() override { return {}; }
    std::shared_ptr<hid::HidDevice> Open(const std::string&, hid::HidResult&) override {
      return nullptr;
    }
    void RegisterNotices(std::function<void(hid::DeviceChange)>) override {}
  } services;
  RecordingDialog fake;
  std::thread late;
  ConsoleHostSettings settings = Settings();
  ConsoleHost* running = nullptr;
  settings.deviceGone = [&late, &running] {
    late = std::thread([running] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      running->PostDeviceChange(hid::DeviceChange::Removal);
    });
    return true;
  };
  ConsoleHost host(model, &services, std::move(settings));
  running = &host;
  host.RunModal(fake);
  late.join();
  EXPECT_EQ(fake.SinceInit(), Calls{Received::DeviceRemoval});
}

// The error stream has the bell and the progress line only when they are asked for.
TEST_F(ConsoleHostTest, WritesBellsAndTheProgressLineOnlyWhenAsked) {
  for (const bool asked : {false, true}) {
    ConsoleHostSettings settings = Settings();
    settings.bell = asked;
    settings.progress = asked ? ProgressStyle::Redrawn : ProgressStyle::None;
    testing::MemoryStream stream;
    settings.errors = stream.file();
    ConsoleHost host(model, nullptr, std::move(settings));
    host.MessageBeep(Beep::Error);
    host.MessageBeep(Beep::Plain);
    model.SetRange(0, 4);
    model.SetStep(1);
    model.StepIt();
    host.FinishOutput();
    EXPECT_EQ(stream.Text(), asked ? "\a\a\r1/4 blocks, 25 %\n" : "");
    model.SetPos(0);
  }
}

// Ctrl+C as the signal handler counts it, before the host turns the presses into clicks.
TEST(InterruptCounter, CountsAPressWithoutEndingTheProcess) {
  const std::atomic<int>& presses = InstallInterruptCounter();
  const int before = presses.load();
  ASSERT_LT(before + 1, kForcedExitPresses);
  raise(SIGINT);
  EXPECT_EQ(presses.load(), before + 1);
  EXPECT_EQ(&InstallInterruptCounter(), &presses);
}

TEST(InterruptCounterDeathTest, EndsTheProcessAtTheThirdPress) {
  EXPECT_EXIT(
      {
        const std::atomic<int>& presses = InstallInterruptCounter();
        while (presses.load() < kForcedExitPresses) raise(SIGINT);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
}  // namespace kr55le::console

// The shared host suites are instantiated where they were declared.
namespace kr55le::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Console, HostBehaviourTest,
                               ::testing::Types<console::ConsoleDriver>);
INSTANTIATE_TYPED_TEST_SUITE_P(Console, HostNoticeDescriptorTest,
                               ::testing::Types<console::ConsoleDriver>);
}  // namespace kr55le::testing
