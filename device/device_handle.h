// The device the worker threads use, swapped by the dialog thread. Each thread takes its own
// reference for a pass, so a replaced device closes only when the last pass using it has ended.
// (A mutex rather than std::atomic<std::shared_ptr>: GCC 12's version hides its lock from TSan.)
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "hid/hid_services.h"

namespace kr55le {

class DeviceHandleSlot {
 public:
  // A device with the number of its storing, so that news about it (its removal) is not taken
  // for news about the device stored after it.
  struct Held {
    std::shared_ptr<hid::HidDevice> device;
    std::uint64_t generation = 0;
  };

  std::shared_ptr<hid::HidDevice> load() const { return hold().device; }
  Held hold() const {
    std::lock_guard lock(mutex_);
    return {device_, GenerationOf(status_.load(std::memory_order_relaxed))};
  }
  void store(std::shared_ptr<hid::HidDevice> device) {
    std::shared_ptr<hid::HidDevice> replaced;
    {
      std::lock_guard lock(mutex_);
      const std::uint64_t generation = GenerationOf(status_.load(std::memory_order_relaxed)) + 1;
      status_.store(generation << kGenerationShift | (device ? kPresent : 0),
                    std::memory_order_release);
      replaced = std::exchange(device_, std::move(device));
    }
    // `replaced` is released here, outside the lock: closing a device may take a while.
  }

  // The dialog's busy waits ask these on every poll: one atomic load each, no lock, so that a
  // poll neither contends with the worker threads nor depends on how the mutex is built.
  bool HasDevice() const { return (status_.load(std::memory_order_acquire) & kPresent) != 0; }
  bool Gone() const { return (status_.load(std::memory_order_acquire) & kGone) != 0; }
  // A device is stored and no read or write has found it removed.
  bool Usable() const {
    return (status_.load(std::memory_order_acquire) & kUsableMask) == kPresent;
  }

  // Notes that the device of `generation` has gone; nothing when another has been stored since.
  void MarkGone(std::uint64_t generation) {
    std::uint64_t status = status_.load();
    while (GenerationOf(status) == generation && (status & kGone) == 0 &&
           !status_.compare_exchange_weak(status, status | kGone)) {
    }
  }

 private:
  friend struct DeviceHandleSlotAccess;  // lets a test hold the lock the polls must not take

  static constexpr std::uint64_t kPresent = 1;
  static constexpr std::uint64_t kGone = 2;
  static constexpr std::uint64_t kUsableMask = kPresent | kGone;
  static constexpr int kGenerationShift = 2;
  static std::uint64_t GenerationOf(std::uint64_t status) { return status >> kGenerationShift; }

  mutable std::mutex mutex_;
  std::shared_ptr<hid::HidDevice> device_;
  // The generation of the last storing (0 before the first) with the present and gone bits.
  std::atomic<std::uint64_t> status_{0};
};

}  // namespace kr55le
