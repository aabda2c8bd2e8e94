// Waits, bounded, for what other threads bring about; false when it did not come (no hang).
#pragma once

#include <chrono>
#include <thread>

namespace kr55le::testing {

inline constexpr auto kEventuallyPatience = std::chrono::seconds(10);

template <typename Condition>
bool Eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + kEventuallyPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace kr55le::testing
