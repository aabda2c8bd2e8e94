// The device the worker threads use, swapped by the dialog thread. Each thread takes its own
// reference for a pass, so a replaced device closes only when the last pass using it has ended.
// (A mutex rather than std::atomic<std::shared_ptr>: GCC 12's version hides its lock from TSan.)
#pragma once

#include <memory>
#include <mutex>
#include <utility>

#include "platform/hid/hid_services.h"

namespace kr55le {

class DeviceHandleSlot {
 public:
  std::shared_ptr<hid::HidDevice> load() const {
    std::lock_guard lock(mutex_);
    return device_;
  }
  void store(std::shared_ptr<hid::HidDevice> device) {
    std::shared_ptr<hid::HidDevice> replaced;
    {
      std::lock_guard lock(mutex_);
      replaced = std::exchange(device_, std::move(device));
    }
    // `replaced` is released here, outside the lock: closing a device may take a while.
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<hid::HidDevice> device_;
};

}  // namespace kr55le
