#include <windows.h>

#include "platform/console/interrupt_counter.h"

namespace kr55le::console {
namespace {

std::atomic<int> presses{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");

// The system runs this on a thread of its own. Returning FALSE hands the press to the default
// handler, which ends the process.
BOOL WINAPI CountInterrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return presses.fetch_add(1, std::memory_order_acq_rel) + 1 < kForcedExitPresses ? TRUE : FALSE;
}

}  // namespace

const std::atomic<int>& InstallInterruptCounter() {
  static const bool installed = SetConsoleCtrlHandler(CountInterrupt, TRUE) != 0;
  (void)installed;
  return presses;
}

void CountTerminationAsInterrupt() {}

}  // namespace kr55le::console
