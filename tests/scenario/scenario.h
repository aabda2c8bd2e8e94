// The stage of every scenario test: the dialog with the test host and simulated devices,
// through the real reader and writer threads; image files, the steps a person takes through the
// host's pump, and what the devices received.
#pragma once

#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "res/names.h"
#include "res/strings.h"
#include "sim/sim_hid_services.h"
#include "tests/scenario/scenario_services.h"
#include "tests/support/eventually.h"
#include "tests/support/image_bytes.h"
#include "tests/support/temp_file.h"
#include "tests/support/test_host.h"

namespace kr55le::testing {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

inline constexpr LinkTiming kScenarioTiming{std::chrono::milliseconds(5), true};
// The error a refused thread reports: EAGAIN, out of resources.
inline constexpr int kThreadStartRefusal = 11;
inline constexpr char kFirmwareKind[] = "Pardo";
inline constexpr char kAudioKind[] = "AUDIO";
inline constexpr char kDeviceVersion[] = "01.00.00";  // what the simulated device runs
inline constexpr char kOtherVersion[] = "01.00.01";
// What an identification shows of a device in firmware upgrade mode.
inline const std::string kIdentifiedMessage =
    std::string(text::kConnectedFirmwareMode) + std::string(text::kBrowseForUpgrade);

// Names a table-driven test after its row's `name`.
inline constexpr auto CaseName = [](const auto& row) { return std::string(row.param.name); };

// Whether Browse, Upgrade, Cancel and PathEdit are enabled.
struct ControlStates {
  bool browse;
  bool upgrade;
  bool cancel;
  bool path;
  friend bool operator==(const ControlStates&, const ControlStates&) = default;
};
inline constexpr ControlStates kAfterCompletion{false, false, false, true};
inline constexpr ControlStates kAfterFailedTransfer{false, false, true, false};
inline constexpr ControlStates kIdentified{true, false, false, true};
inline constexpr ControlStates kNoDevice{false, false, false, false};

class Scenario : public ::testing::Test {
 protected:
  // A scripted step whose pump or condition never came would leave the story untold, and no
  // ending of a transfer leave the system held awake.
  void TearDown() override {
    EXPECT_EQ(host.WaitingSteps(), 0u) << "scripted steps that never ran";
    EXPECT_EQ(host.SystemHoldsHeld(), 0) << "a hold on sleep outlived its transfer";
  }
  // Builds the dialog and runs its initialisation (with its first scan).
  void OpenDialog() {
    dialog = std::make_unique<CFlashwellDlg>(host, controls, services, link, bounds);
    host.Attach(*dialog);
    dialog->OnInitDialog();
  }
  // The link's workers as a program without threads has them (the page): passes that the host
  // runs, once in `interval` polls. Before the dialog opens.
  void RunLinkWithoutThreads(unsigned interval) {
    threadless_ = true;
    host.RunLinkItself(interval, [this] {
      for (auto& [which, pass] : passes_) pass();
    });
  }
  // Plugs one device and opens the dialog, which identifies it.
  void StartWith(sim::SimDeviceConfig config = {}) {
    device = hid.Plug(std::move(config));
    OpenDialog();
  }
  // Pumps until the notices posted so far (plugging, unplugging) have been handled.
  void HandleNotices() {
    for (int pump = 0; pump < kNoticePumps; ++pump) host.PumpMessages();
  }
  // StartWith(config), then Browse chooses a firmware image of `size` bytes' payload, returned.
  std::vector<std::uint8_t> StartWithImage(std::size_t size, sim::SimDeviceConfig config = {}) {
    StartWith(std::move(config));
    std::vector<std::uint8_t> payload = Payload(size);
    Browse(FirmwareImage(payload));
    return payload;
  }
  // An image file of this test, removed with the fixture.
  std::string File(const std::vector<std::uint8_t>& bytes) {
    files_.push_back(std::make_unique<TempFile>(bytes));
    return files_.back()->path();
  }
  std::string FirmwareImage(const std::vector<std::uint8_t>& payload) {
    return File(MakeImage(kFirmwareKind, kOtherVersion, payload));
  }

  // The person's steps, each handled through the host's pump.
  void Do(const std::function<void()>& step) {
    step();
    host.PumpMessages();
  }
  void Browse(std::optional<std::string> chosen) {
    host.AnswerOpenFile(std::move(chosen));
    Do([this] { host.Click(Control::BrowseButton); });
  }
  void ClickUpgrade() {
    ASSERT_TRUE(Enabled(Control::UpgradeButton));
    Do([this] { host.Click(Control::UpgradeButton); });
  }
  void EnterPath(const std::string& path) {
    host.Type(path);
    Do([this] { host.Enter(); });
  }
  // `step` runs in the pump that begins the cycle of block `block` (from 0; at least 1).
  void AtBlock(std::uint32_t block, std::function<void()> step) {
    host.When([this, block] { return hid.Counters(device).blocksAccepted == block; },
              std::move(step));
  }
  // For the wait of a reply that never comes; a wait that gets its reply never reaches it.
  void ShrinkAcknowledgementBound() { dialog->bounds().acknowledgement = {1000, 1}; }
  // Until the writer has written the last request (it does so while a device is open).
  // Bounded, so that a request raised with no device open fails the test rather than hanging.
  void AwaitWriter() const {
    Eventually([this] { return !link.IsSending() || !link.HasDevice(); });
  }
  // A quick re-plug: the device is pulled and, once the link has found it gone, `config` comes
  // in at the same node (the lowest free number). Returns the new device's number.
  std::size_t Replug(sim::SimDeviceConfig config = {}) {
    hid.Unplug(device);
    EXPECT_TRUE(Eventually([this] { return link.DeviceGone(); }));
    return hid.Plug(std::move(config));
  }

  std::string Text(Control control) const { return controls.Text(control); }
  std::string Message() const { return Text(Control::MessageEdit); }
  bool Enabled(Control control) const { return controls.IsEnabled(control); }
  ControlStates States() const {
    return {Enabled(Control::BrowseButton), Enabled(Control::UpgradeButton),
            Enabled(Control::CancelButton), Enabled(Control::PathEdit)};
  }
  std::optional<Beep> LastBeep() const {
    return host.Beeps().empty() ? std::nullopt : std::optional(host.Beeps().back());
  }
  std::vector<std::string> LastMessages(std::size_t count) const {
    const auto& shown = host.Texts(Control::MessageEdit);
    return {shown.end() - static_cast<std::ptrdiff_t>(std::min(count, shown.size())), shown.end()};
  }
  std::vector<std::vector<std::uint8_t>> Received(std::size_t from, std::uint8_t reportId,
                                                  std::uint8_t command) const {
    std::vector<std::vector<std::uint8_t>> matching;
    std::ranges::copy_if(hid.ReceivedReports(from), std::back_inserter(matching), [&](auto& r) {
      return r.size() > 1 && r[0] == reportId && r[1] == command;
    });
    return matching;
  }
  std::size_t InfoRequests(std::size_t from) const {
    return Received(from, kRequestReportId, kCommandDeviceInfo).size();
  }
  std::size_t Requests(std::uint8_t command) const {
    return Received(device, kRequestReportId, command).size();
  }
  std::vector<std::vector<std::uint8_t>> DataReports() const {
    return Received(device, kDataReportId, kCommandDataBlock);
  }
  sim::DeviceCounters Counters() const { return hid.Counters(device); }

  // The device holds the payload, and the window says the firmware upgrade completed.
  void ExpectFirmwareCompleted(const std::vector<std::uint8_t>& payload) const {
    EXPECT_TRUE(hid.AssembledImage(device) == WithFiller(payload));  // too big to print
    EXPECT_EQ(Message(), text::kFirmwareCompleted);
  }
  void ExpectNoCompletion() const {
    for (std::string_view completed : {text::kFirmwareCompleted, text::kAudioCompleted}) {
      EXPECT_THAT(host.Texts(Control::MessageEdit), Not(Contains(completed)));
    }
    EXPECT_THAT(host.Beeps(), Not(Contains(Beep::Plain)));
    EXPECT_NE(Text(Control::PercentEdit), name::kPercentComplete);
  }

  ControlModel controls;
  TestHost host{controls};
  sim::SimHidServices hid;
  ScenarioServices services{hid};         // the bus the dialog is opened on
  std::optional<LinkThread> unstartable;  // a link thread the system refuses to start
  // The link's workers as passes (RunLinkWithoutThreads); before the link, which stops them.
  bool threadless_ = false;
  std::map<LinkThread, LinkPass> passes_;
  ReportLink link{kScenarioTiming, [this](LinkThread which, LinkWorker& worker, LinkPass pass) {
                    if (which == unstartable) return kThreadStartRefusal;
                    if (!threadless_) return LaunchThread(which, worker, std::move(pass));
                    passes_[which] = std::move(pass);
                    worker.stop = [this, which] { passes_.erase(which); };
                    return 0;
                  }};
  WaitBounds bounds;  // the real bounds; a test shrinks only the wait it runs into
  std::unique_ptr<CFlashwellDlg> dialog;
  std::size_t device = 0;

 private:
  static constexpr int kNoticePumps = 3;
  std::vector<std::unique_ptr<TempFile>> files_;
};

}  // namespace kr55le::testing
