// The simulated bus as the scenarios' dialog sees it: the same devices, bent on request in the
// ways a real device or system may bend them.
#pragma once

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/protocol.h"
#include "hid/hid_services.h"
#include "image/image_header.h"
#include "sim/sim_hid_services.h"

namespace kr55le::testing {

// Set by the test, read by the link's threads.
struct Quirks {
  std::atomic<bool> anyKind{false};  // image checks reach the device naming the firmware kind
  std::atomic<std::optional<std::uint8_t>> checkVersionCode{};  // in the check reply's byte 3
  std::atomic<bool> attributesFail{false};                      // the attributes query fails
  // The attributes query takes its time: the link's writer passes meanwhile, the device open.
  std::atomic<bool> slowAttributes{false};
  // A report of this ID, byte 1 "answered" and zeros after, comes first after each request, as
  // another program's reply would.
  std::atomic<std::optional<std::uint8_t>> strayId{};
  std::atomic<bool> holdBlocks{false};            // data reports wait in write() while this holds
  std::atomic<bool> failureOutOfSequence{false};  // a failure code comes with the next number
  std::atomic<bool> writesGone{false};            // writes fail as removed, the device still listed
  std::atomic<bool> noNotices{false};             // arrivals and removals go unnoticed
  std::atomic<bool> capitalIds{false};  // listed paths spell the vendor and product in capitals
  std::atomic<int> opens{0};            // interfaces the dialog opened
  // The device takes the next data report, whose write then times out, and is slow from then
  // on: each reply comes only once the next data report has been written.
  std::atomic<bool> takeThenFailNextBlock{false};
};

class ScenarioServices : public hid::HidServices {
 public:
  explicit ScenarioServices(sim::SimHidServices& bus) : bus_(bus) {}
  std::vector<hid::HidInterface> Enumerate() override {
    auto interfaces = bus_.Enumerate();
    if (!quirks_->capitalIds) return interfaces;
    for (auto& entry : interfaces) {
      const std::size_t ids = entry.path.find('#');
      if (ids == std::string::npos) continue;
      const auto from = entry.path.begin() + static_cast<std::ptrdiff_t>(ids);
      std::transform(from, entry.path.end(), from, ::toupper);
    }
    return interfaces;
  }
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override {
    ++quirks_->opens;
    auto device = bus_.Open(path, result);
    return device ? std::make_shared<ScenarioDevice>(std::move(device), quirks_) : nullptr;
  }
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override {
    if (!sink) return bus_.RegisterNotices(nullptr);
    bus_.RegisterNotices([quirks = quirks_, sink = std::move(sink)](hid::DeviceChange change) {
      if (!quirks->noNotices) sink(change);
    });
  }
  Quirks& quirks() { return *quirks_; }

 private:
  // Outlives these services: the link holds it, and its threads use it, until the link goes.
  class ScenarioDevice : public hid::HidDevice {
   public:
    ScenarioDevice(std::shared_ptr<hid::HidDevice> device, std::shared_ptr<Quirks> quirks)
        : device_(std::move(device)), quirks_(std::move(quirks)) {}
    hid::HidResult GetAttributes(hid::HidAttributes& attributes) override {
      if (quirks_->slowAttributes) std::this_thread::sleep_for(kSlowAttributes);
      if (quirks_->attributesFail) return {hid::HidError::Io, 0, "attributes query failed"};
      return device_->GetAttributes(attributes);
    }
    hid::HidResult GetCaps(hid::HidCaps& caps) override { return device_->GetCaps(caps); }
    // Reads happen on the link's reader thread alone, which owns heldBack_.
    hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                        std::chrono::milliseconds timeout) override {
      if (!late_.empty() && repliesGiven_ < blocksSinceSlow_) {
        ++repliesGiven_;
        received = std::copy(late_.front().begin(), late_.front().end(), report.begin()) -
                   report.begin();  // read into a buffer of this one's size
        late_.pop_front();
        return {};
      }
      if (!heldBack_.empty()) {
        // Long enough after the stray that the waits see it.
        const auto now = std::chrono::steady_clock::now();
        if (now < heldBackDue_) {
          std::this_thread::sleep_for(
              std::min<std::chrono::steady_clock::duration>(heldBackDue_ - now, timeout));
          if (std::chrono::steady_clock::now() < heldBackDue_) {
            return {hid::HidError::TimedOut, 0, "held back behind the stray"};
          }
        }
        received = std::min(heldBack_.size(), report.size());
        std::copy_n(heldBack_.begin(), received, report.begin());
        heldBack_.clear();
        return {};
      }
      const hid::HidResult result = device_->Read(report, received, timeout);
      if (!result.ok()) return result;
      if (slow_) {
        late_.emplace_back(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(received));
        received = 0;
        return {hid::HidError::TimedOut, 0, "a slow device's reply, held back"};
      }
      // Only the reply to an image check: the first report after one was written.
      if (received > kCheckVersionByte && checkWritten_.exchange(false)) {
        if (const auto code = quirks_->checkVersionCode.load()) report[kCheckVersionByte] = *code;
      }
      if (received > kAckSequenceByte && quirks_->failureOutOfSequence &&
          report[kAckCodeByte] == kAckFailed) {
        ++report[kAckSequenceByte];
      }
      // The stray goes ahead of the first report after the request, which waits for the next
      // read: however a read in flight meets the request, the stray comes first.
      if (const auto stray = quirks_->strayId.load(); stray && strayPending_.exchange(false)) {
        heldBack_.assign(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(received));
        heldBackDue_ = std::chrono::steady_clock::now() + kStrayLead;
        std::fill(report.begin(), report.end(), 0);
        report[kReplyIdByte] = *stray;
        report[kAnsweredByte] = kAnswered;
        received = report.size();
      }
      return result;
    }
    hid::HidResult Write(std::span<const std::uint8_t> report) override {
      if (quirks_->writesGone) return {hid::HidError::Gone, 0, "write taken for a removal"};
      const bool block = !report.empty() && report[0] == kDataReportId;
      if (block && slow_) ++blocksSinceSlow_;
      if (block && quirks_->takeThenFailNextBlock.exchange(false)) {
        slow_ = true;
        device_->Write(report);
        return {hid::HidError::TimedOut, 0, "timed out, the report taken"};
      }
      const auto deadline = std::chrono::steady_clock::now() + kHoldLimit;
      while (!report.empty() && report[0] == kDataReportId && quirks_->holdBlocks &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      strayPending_ = quirks_->strayId.load().has_value();
      const bool check = report.size() >= kKindOffset + kKindTagLength &&
                         report[0] == kRequestReportId && report[1] == kCommandImageCheck;
      checkWritten_ = check;
      if (!check || !quirks_->anyKind) return device_->Write(report);
      std::vector<std::uint8_t> named(report.begin(), report.end());
      std::copy_n(kFirmwareKindTag, kKindTagLength, named.begin() + kKindOffset);
      return device_->Write(named);
    }

   private:
    static constexpr std::size_t kKindOffset = 20;                // in the image check request
    static constexpr auto kHoldLimit = std::chrono::seconds(10);  // a test that forgot to let go
    static constexpr auto kStrayLead = std::chrono::milliseconds(20);
    // Many passes of the scenarios' link (kScenarioTiming).
    static constexpr auto kSlowAttributes = std::chrono::milliseconds(200);
    std::shared_ptr<hid::HidDevice> device_;
    std::shared_ptr<Quirks> quirks_;
    std::atomic<bool> checkWritten_{false};
    std::atomic<bool> strayPending_{false};
    std::atomic<bool> slow_{false};
    std::atomic<int> blocksSinceSlow_{0};
    int repliesGiven_ = 0;  // since slow, the reader's own, as late_ is
    std::deque<std::vector<std::uint8_t>> late_;
    std::vector<std::uint8_t> heldBack_;
    std::chrono::steady_clock::time_point heldBackDue_;
  };

  sim::SimHidServices& bus_;
  std::shared_ptr<Quirks> quirks_ = std::make_shared<Quirks>();
};

}  // namespace kr55le::testing
