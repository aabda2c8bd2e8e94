#include "platform/console/interrupt_counter.h"

#include <signal.h>

namespace kr55le::console {
namespace {

std::atomic<int> presses{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");

extern "C" void CountInterrupt(int) {
  if (presses.fetch_add(1, std::memory_order_acq_rel) + 1 < kForcedExitPresses) return;
  // Async-signal-safe: back to the default action, which ends the process once this returns.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(SIGINT, &fallback, nullptr);
  raise(SIGINT);
}

bool CountSignal(int number) {
  struct sigaction action {};
  action.sa_handler = CountInterrupt;
  action.sa_flags = SA_RESTART;  // the link threads' calls go on where a press lands
  sigemptyset(&action.sa_mask);
  return sigaction(number, &action, nullptr) == 0;
}

}  // namespace

const std::atomic<int>& InstallInterruptCounter() {
  static const bool installed = CountSignal(SIGINT);
  (void)installed;
  return presses;
}

void CountTerminationAsInterrupt() {
  static const bool installed = CountSignal(SIGTERM);
  (void)installed;
}

}  // namespace kr55le::console
