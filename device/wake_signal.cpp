#include "device/wake_signal.h"

namespace kr55le {

void WakeSignal::Notify() {
  {
    std::lock_guard lock(mutex_);
    notified_ = true;
  }
  condition_.notify_one();
}

void WakeSignal::WaitFor(std::chrono::milliseconds pause) {
  std::unique_lock lock(mutex_);
  condition_.wait_for(lock, pause, [this] { return notified_; });
  notified_ = false;
}

}  // namespace kr55le
