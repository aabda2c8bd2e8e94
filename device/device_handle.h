// The device the worker threads use, swapped by the dialog thread. Each thread takes its own
// reference for a pass, so a replaced device closes only when the last pass using it has ended.
// (A mutex rather than std::atomic<std::shared_ptr>: GCC 12's version hides its lock from TSan.)
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/hid/hid_services.h"

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
    return {device_, generation_.load(std::memory_order_relaxed)};
  }
  // The generation of the last storing (0 before the first), without the lock: the dialog's
  // busy waits ask for it on every poll and would otherwise contend with the worker threads.
  std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }
  void store(std::shared_ptr<hid::HidDevice> device) {
    std::shared_ptr<hid::HidDevice> replaced;
    {
      std::lock_guard lock(mutex_);
      replaced = std::exchange(device_, std::move(device));
      generation_.fetch_add(1, std::memory_order_release);
    }
    // `replaced` is released here, outside the lock: closing a device may take a while.
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<hid::HidDevice> device_;
  std::atomic<std::uint64_t> generation_{0};
};

}  // namespace kr55le
