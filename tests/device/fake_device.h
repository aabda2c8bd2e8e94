// A scripted HID device: records writes, answers from a queue, chatters, fails and unplugs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "hid/hid_services.h"

namespace kr55le::testing {

class FakeDevice : public hid::HidDevice {
 public:
  ~FakeDevice() override {
    if (reading_.load()) closedDuringRead_->store(true);
  }

  hid::HidResult GetAttributes(hid::HidAttributes&) override { return {}; }
  hid::HidResult GetCaps(hid::HidCaps&) override { return {}; }

  hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                      std::chrono::milliseconds timeout) override {
    reads_.fetch_add(1);
    largestRead_.store(std::max(largestRead_.load(), report.size()));
    reading_.store(true);
    struct Done {
      std::atomic<bool>& flag;
      ~Done() { flag.store(false); }
    } done{reading_};
    if (gone_.load()) return {hid::HidError::Gone, 0, "gone"};
    if (chatter_.load()) {
      const auto value = static_cast<std::uint8_t>(chatterCount_.fetch_add(1));
      std::fill(report.begin(), report.end(), value);
      received = report.size();
      return {};
    }
    if (holdRead_.count() > 0) std::this_thread::sleep_for(holdRead_);
    std::unique_lock lock(mutex_);
    if (!replies_.empty() ||
        condition_.wait_for(lock, timeout, [this] { return !replies_.empty(); })) {
      const auto reply = replies_.front();
      replies_.pop_front();
      received = std::min(reply.size(), report.size());
      std::copy_n(reply.begin(), received, report.begin());
      return {};
    }
    return {hid::HidError::TimedOut, 0, "timed out"};
  }

  hid::HidResult Write(std::span<const std::uint8_t> report) override {
    std::function<bool()> hold;
    hid::HidResult result;
    {
      std::lock_guard lock(mutex_);
      writes_.emplace_back(report.begin(), report.end());
      if (gone_.load()) return {hid::HidError::Gone, 0, "gone"};
      if (failures_ > 0) {
        --failures_;
        result = {failWith_, 0, "write failed"};
      }
      condition_.notify_all();
      hold = std::exchange(holdWrite_, nullptr);
    }
    // A device may answer before write() returns; let the test act in that moment.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (hold && !hold() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return result;
  }

  // The next `count` writes fail with `error`, the device taking nothing of them.
  void FailWrites(int count, hid::HidError error) {
    std::lock_guard lock(mutex_);
    failures_ = count;
    failWith_ = error;
  }

  // The next write returns only once `condition` holds (or after a generous bound).
  void HoldNextWriteUntil(std::function<bool()> condition) {
    std::lock_guard lock(mutex_);
    holdWrite_ = std::move(condition);
  }

  void Reply(std::vector<std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(report));
    condition_.notify_all();
  }
  std::vector<std::vector<std::uint8_t>> Writes() {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  std::size_t QueuedReplies() {
    std::lock_guard lock(mutex_);
    return replies_.size();
  }
  bool IsReading() const { return reading_.load(); }
  void Unplug() { gone_.store(true); }
  void Chatter() { chatter_.store(true); }
  void HoldEachRead(std::chrono::milliseconds hold) { holdRead_ = hold; }
  int Reads() const { return reads_.load(); }
  std::size_t LargestRead() const { return largestRead_.load(); }
  void WatchClose(std::shared_ptr<std::atomic<bool>> closedDuringRead) {
    closedDuringRead_ = std::move(closedDuringRead);
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  std::deque<std::vector<std::uint8_t>> replies_;
  std::vector<std::vector<std::uint8_t>> writes_;
  std::function<bool()> holdWrite_;
  int failures_ = 0;
  hid::HidError failWith_ = hid::HidError::None;
  std::atomic<bool> gone_{false};
  std::atomic<bool> chatter_{false};
  std::atomic<unsigned> chatterCount_{0};
  std::atomic<bool> reading_{false};
  std::atomic<int> reads_{0};
  std::atomic<std::size_t> largestRead_{0};
  std::chrono::milliseconds holdRead_{0};
  std::shared_ptr<std::atomic<bool>> closedDuringRead_ = std::make_shared<std::atomic<bool>>();
};

}  // namespace kr55le::testing
