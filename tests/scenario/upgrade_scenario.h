// The stage of the upgrade scenarios: one simulated KR-55LE, image files, the steps a person
// takes through the host's pump, and what the device received.
#pragma once

#include <gmock/gmock.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "res/strings.h"
#include "tests/scenario/scenario.h"
#include "tests/support/image_bytes.h"

namespace kr55le::testing {

inline constexpr char kFirmwareKind[] = "Pardo";
inline constexpr char kAudioKind[] = "AUDIO";
inline constexpr char kDeviceVersion[] = "01.00.00";  // what the simulated device runs
inline constexpr char kOtherVersion[] = "01.00.01";
inline std::vector<std::uint8_t> BlockOf(const std::vector<std::uint8_t>& bytes, std::size_t n) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(n * kBlock),
          bytes.begin() + static_cast<std::ptrdiff_t>((n + 1) * kBlock)};
}

// The data bytes of a data block report.
inline std::vector<std::uint8_t> DataOf(const std::vector<std::uint8_t>& report) {
  return {report.begin() + kBlockDataOffset, report.begin() + kBlockDataOffset + kBlock};
}

// Short and distinct per test: ctest runs tests side by side in separate processes.
inline std::string TestFileStem() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::size_t hash =
      std::hash<std::string>{}(std::string(test->test_suite_name()) + "." + test->name());
  return "t" + std::to_string(hash % 1000000007);
}

// An image whose path is over 294 characters long, so that it is shown on five lines.
class LongPathImage {
 public:
  explicit LongPathImage(const std::vector<std::uint8_t>& bytes)
      : folder_(std::filesystem::path(::testing::TempDir()) /
                (TestFileStem() + std::string(200, 'd'))),
        path_((folder_ / (std::string(100, 'f') + ".bin")).string()) {
    std::filesystem::create_directories(folder_);
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  ~LongPathImage() { std::filesystem::remove_all(folder_); }
  LongPathImage(const LongPathImage&) = delete;
  LongPathImage& operator=(const LongPathImage&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::filesystem::path folder_;
  std::string path_;
};

// Whether Browse, Upgrade, Cancel and PathEdit are enabled.
struct ControlStates {
  bool browse;
  bool upgrade;
  bool cancel;
  bool path;
  friend bool operator==(const ControlStates&, const ControlStates&) = default;
};
inline constexpr ControlStates kAfterCompletion{
    .browse = false, .upgrade = false, .cancel = false, .path = true};
inline constexpr ControlStates kAfterCancel = kAfterCompletion;
inline constexpr ControlStates kAfterFailedTransfer{
    .browse = false, .upgrade = false, .cancel = true, .path = false};
inline constexpr ControlStates kIdentified{
    .browse = true, .upgrade = false, .cancel = false, .path = true};
inline constexpr ControlStates kNoDevice{
    .browse = false, .upgrade = false, .cancel = false, .path = false};

class UpgradeScenario : public Scenario {
 protected:
  // Plugs one device and opens the dialog, which identifies it.
  void StartWith(sim::SimDeviceConfig config = {}) {
    device = hid.Plug(std::move(config));
    OpenDialog();
  }
  // An image file of this test, removed with the fixture.
  std::string File(const std::vector<std::uint8_t>& bytes) {
    files_.push_back(std::make_unique<TempFile>(bytes, TestFileStem() + ".bin"));
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
  // Waits that only a lost device can end: one that ignored the loss would never return.
  void Unbounded() {
    dialog->bounds().browseCheck = {std::numeric_limits<std::uint64_t>::max(), 1};
    dialog->bounds().repeatedCheckInner = std::numeric_limits<std::uint64_t>::max();
  }
  sim::DeviceCounters Counters() const { return hid.Counters(device); }
  std::vector<std::vector<std::uint8_t>> DataReports() const {
    return Received(device, kDataReportId, kCommandDataBlock);
  }
  std::size_t Requests(std::uint8_t command) const {
    return Received(device, kRequestReportId, command).size();
  }
  ControlStates States() const {
    return {Enabled(Control::BrowseButton), Enabled(Control::UpgradeButton),
            Enabled(Control::CancelButton), Enabled(Control::PathEdit)};
  }
  std::vector<std::string> LastMessages(std::size_t count) const {
    const auto& shown = host.Texts(Control::MessageEdit);
    return {shown.end() - static_cast<std::ptrdiff_t>(std::min(count, shown.size())), shown.end()};
  }

  // No request is on its way and the device has received no more than `reports` reports.
  void ExpectNothingSentSince(std::size_t reports) const {
    AwaitWriter();  // anything raised has reached the device before it is counted
    EXPECT_EQ(hid.ReceivedReports(device).size(), reports);
  }
  void ExpectNoCompletion() const {
    using ::testing::Contains;
    using ::testing::Not;
    for (std::string_view completed : {text::kFirmwareCompleted, text::kAudioCompleted}) {
      EXPECT_THAT(host.Texts(Control::MessageEdit), Not(Contains(completed)));
    }
    EXPECT_THAT(host.Beeps(), Not(Contains(Beep::Plain)));
    EXPECT_NE(Text(Control::PercentEdit), text::kPercentComplete);
  }

  std::size_t device = 0;

 private:
  std::vector<std::unique_ptr<TempFile>> files_;
};

}  // namespace kr55le::testing
