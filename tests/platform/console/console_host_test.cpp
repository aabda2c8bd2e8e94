#include "platform/console/console_host.h"

#include <gmock/gmock.h>
#include <unistd.h>

#include <thread>

#include "tests/support/memory_stream.h"

namespace kr55le::console {
namespace {

using ::testing::ElementsAre;
using Calls = std::vector<std::string>;

class FakeDialog : public DialogMessages {
 public:
  Calls calls;
  std::function<void()> onBrowse;

  bool OnInitDialog() override { return Record("OnInitDialog"); }
  void OnBrowseFile() override {
    Record("OnBrowseFile");
    if (onBrowse) onBrowse();
  }
  void OnUpgrade() override { Record("OnUpgrade"); }
  void OnCancelUpgrade() override { Record("OnCancelUpgrade"); }
  void OnOK() override { Record("OnOK"); }
  void OnCancel() override { Record("OnCancel"); }
  void OnDeviceChange(hid::DeviceChange change) override {
    Record(change == hid::DeviceChange::Arrival ? "arrival" : "removal");
  }

 private:
  bool Record(std::string call) {
    calls.push_back(std::move(call));
    return true;
  }
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
  FakeDialog dialog;
  testing::MemoryStream errors;
  std::atomic<int> presses{0};
  std::vector<std::string> statusTexts;
};

// Each button is looked at when its step comes, after the steps before it have run.
TEST_F(ConsoleHostTest, ClicksEachStepWhileItsButtonIsEnabled) {
  const struct {
    bool browseEnabled;
    bool browseDisablesUpgrade;
    Calls calls;
    std::optional<ConsoleStep> stoppedAt;
  } cases[] = {
      {true, false, {"OnInitDialog", "OnBrowseFile", "OnUpgrade"}, std::nullopt},
      {true, true, {"OnInitDialog", "OnBrowseFile"}, ConsoleStep::Upgrade},
      {false, false, {"OnInitDialog"}, ConsoleStep::Browse},
  };
  for (const auto& c : cases) {
    FakeDialog fake;
    ConsoleHost host(model, nullptr, Settings({ConsoleStep::Browse, ConsoleStep::Upgrade}));
    model.Enable(Control::BrowseButton, c.browseEnabled);
    model.Enable(Control::UpgradeButton, true);
    if (c.browseDisablesUpgrade)
      fake.onBrowse = [this] { model.Enable(Control::UpgradeButton, false); };
    EXPECT_EQ(host.RunModal(fake), kConsoleRunNotEnded);
    EXPECT_EQ(fake.calls, c.calls);
    EXPECT_EQ(host.StoppedAt(), c.stoppedAt);
  }
}

TEST_F(ConsoleHostTest, EndDialogStopsTheStepsAndGivesItsResult) {
  ConsoleHost host(model, nullptr, Settings({ConsoleStep::Browse, ConsoleStep::Upgrade}));
  dialog.onBrowse = [&host] { host.EndDialog(kIdCancel); };
  EXPECT_EQ(host.RunModal(dialog), kIdCancel);
  EXPECT_THAT(dialog.calls, ElementsAre("OnInitDialog", "OnBrowseFile"));
  EXPECT_TRUE(host.Ended());
}

TEST_F(ConsoleHostTest, CtrlCIsTheCancelButtonFirstAndThenTheCloseBox) {
  const struct {
    bool cancelEnabled;
    int presses;
    Calls calls;
  } cases[] = {
      {true, 1, {"OnCancelUpgrade"}},
      {true, 2, {"OnCancelUpgrade", "OnCancel"}},
      {false, 1, {"OnCancel"}},
  };
  for (const auto& c : cases) {
    FakeDialog fake;
    std::atomic<int> pressed{0};
    ConsoleHostSettings settings = Settings({ConsoleStep::Browse});
    settings.interrupts = &pressed;
    ConsoleHost host(model, nullptr, std::move(settings));
    model.Enable(Control::CancelButton, c.cancelEnabled);
    fake.onBrowse = [&] {
      for (int press = 0; press < c.presses; ++press) pressed.fetch_add(1);
      host.PumpMessages();
    };
    host.RunModal(fake);
    Calls expected = {"OnInitDialog", "OnBrowseFile"};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(fake.calls, expected);
  }
}

TEST_F(ConsoleHostTest, APressIsHandedOnOnlyOnce) {
  ConsoleHost host(model, nullptr, Settings());
  presses = 1;
  host.RunModal(dialog);
  host.RunModal(dialog);
  EXPECT_THAT(dialog.calls, ElementsAre("OnInitDialog", "OnCancelUpgrade", "OnInitDialog"));
}

TEST_F(ConsoleHostTest, BeepsRingTheBellOnlyWhenAsked) {
  for (const bool bell : {false, true}) {
    testing::MemoryStream stream;
    ConsoleHostSettings settings = Settings();
    settings.bell = bell;
    settings.errors = stream.file();
    ConsoleHost host(model, nullptr, std::move(settings));
    host.MessageBeep(Beep::Error);
    host.MessageBeep(Beep::Plain);
    EXPECT_EQ(stream.Text(), bell ? "\a\a" : "");
  }
}

TEST_F(ConsoleHostTest, ReportsEachNewStatusTextInOrder) {
  ConsoleHost host(model, nullptr, Settings());
  model.SetText(Control::MessageEdit, "first");
  model.Enable(Control::MessageEdit, false);
  model.SetText(Control::MessageEdit, "first");
  model.SetText(Control::PercentEdit, "5 %");
  model.SetText(Control::MessageEdit, "second");
  EXPECT_THAT(statusTexts, ElementsAre("first", "second"));
}

TEST_F(ConsoleHostTest, DeviceNoticesFromAnyThreadArriveAtTheNextPump) {
  ConsoleHost host(model, nullptr, Settings());
  std::thread([&host] { host.PostDeviceChange(hid::DeviceChange::Removal); }).join();
  host.RunModal(dialog);
  EXPECT_THAT(dialog.calls, ElementsAre("OnInitDialog", "removal"));
}

// Services whose notices wait on a pipe, as the hidraw monitor's do on its socket.
class PipeNoticeServices : public hid::HidServices {
 public:
  PipeNoticeServices() { EXPECT_EQ(::pipe(pipe_), 0); }
  ~PipeNoticeServices() override {
    ::close(pipe_[0]);
    ::close(pipe_[1]);
  }
  std::vector<hid::HidInterface> Enumerate() override { return {}; }
  std::shared_ptr<hid::HidDevice> Open(const std::string&, hid::HidResult&) override {
    return nullptr;
  }
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override { sink_ = sink; }
  int NoticeDescriptor() const override { return pipe_[0]; }
  void DispatchNotices() override {
    char byte = 0;
    if (::read(pipe_[0], &byte, 1) == 1 && sink_) sink_(hid::DeviceChange::Arrival);
  }
  void Signal() { EXPECT_EQ(::write(pipe_[1], "x", 1), 1); }

 private:
  int pipe_[2] = {-1, -1};
  std::function<void(hid::DeviceChange)> sink_;
};

TEST_F(ConsoleHostTest, PumpDispatchesNoticesWaitingOnTheServicesDescriptor) {
  PipeNoticeServices services;
  ConsoleHost host(model, &services, Settings());
  services.RegisterNotices([&host](hid::DeviceChange change) { host.PostDeviceChange(change); });
  services.Signal();
  host.RunModal(dialog);
  EXPECT_THAT(dialog.calls, ElementsAre("OnInitDialog", "arrival"));
}

// A real removal's notice may come only after the failure that ended the last step.
TEST_F(ConsoleHostTest, AfterTheStepsAwaitsTheNoticeOnlyOfADeviceThatWent) {
  for (const bool gone : {true, false}) {
    FakeDialog fake;
    PipeNoticeServices services;
    ConsoleHostSettings settings = Settings();
    settings.deviceGone = [&services, gone] {
      services.Signal();
      return gone;
    };
    ConsoleHost host(model, &services, std::move(settings));
    services.RegisterNotices([&host](hid::DeviceChange change) { host.PostDeviceChange(change); });
    host.RunModal(fake);
    const Calls expected = gone ? Calls{"OnInitDialog", "arrival"} : Calls{"OnInitDialog"};
    EXPECT_EQ(fake.calls, expected);
  }
}

TEST_F(ConsoleHostTest, DrawsTheProgressLineOnlyWhenAsked) {
  for (const bool draw : {false, true}) {
    testing::MemoryStream stream;
    ConsoleHostSettings settings = Settings();
    settings.drawProgress = draw;
    settings.errors = stream.file();
    ConsoleHost host(model, nullptr, std::move(settings));
    model.SetRange(0, 4);
    model.SetStep(1);
    model.StepIt();
    host.FinishOutput();
    EXPECT_EQ(stream.Text(), draw ? "\r1/4 blocks, 25 %\n" : "");
    model.SetPos(0);
  }
}

}  // namespace
}  // namespace kr55le::console
