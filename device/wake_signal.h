// Lets a sleeping worker pass end early: the worker waits up to its pause, and a request or a
// stop wakes it at once. Only the wake-up uses a lock; the report hand-over itself does not.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kr55le {

class WakeSignal {
 public:
  void Notify();
  // Waits until notified (a notice that came before the wait counts) or the pause has passed.
  void WaitFor(std::chrono::milliseconds pause);

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  bool notified_ = false;
};

}  // namespace kr55le
