// Ctrl+C for the console host: a signal handler that only counts presses, so that the host's
// pump can turn them into the dialog's Cancel button and close box on the dialog thread.
#pragma once

#include <atomic>

namespace kr55le::console {

// Presses after which the handler stops counting and lets the default action end the process,
// for a dialog stuck in a wait that does not pump.
inline constexpr int kForcedExitPresses = 3;

// Installs the SIGINT handler (once; later calls change nothing) and returns the presses so far.
const std::atomic<int>& InstallInterruptCounter();

// Counts SIGTERM as a press too, for a program that runs until it is stopped (once; later calls
// change nothing). Windows has no SIGTERM; Ctrl+Break counts there already.
void CountTerminationAsInterrupt();

}  // namespace kr55le::console
