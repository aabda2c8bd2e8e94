// How each of the dialog's handlers ended, for callers that act on it (kr55le-flash's exit
// status). The controls and flags show the same to a person; this says it in one word.
#pragma once

#include <array>
#include <cstddef>

namespace kr55le {

enum class Handler { Scan, Browse, Upgrade };
inline constexpr std::size_t kHandlerCount = 3;

enum class Outcome {
  None,             // the handler has not run
  NoDevice,         // no device to talk to: none attached or openable, or the one in use went
  NotAnswering,     // the device did not answer a request within its bound
  InUse,            // another program has taken the device: nothing was sent to it
  Identified,       // the scan: the device answered with its identity
  NoFile,           // no file chosen, or it could not be read
  InvalidFile,      // not an image that can be sent (malformed version, empty, too large)
  MultipleDevices,  // the upgrade: more than one device is attached
  NotReady,         // the upgrade: the device has not been identified and checked
  Rejected,         // the device refused the image
  NoVerdict,        // the device answered the check without a verdict
  Accepted,         // Browse: the device accepts the image
  Completed,        // the upgrade: every block accepted
  Failed,           // the upgrade: the device failed it or stopped acknowledging
  Cancelled,        // the upgrade: cancelled by the person
  Closed,           // the window closed during the handler
};

// The last outcome of each handler.
class Outcomes {
 public:
  Outcome Of(Handler handler) const { return outcomes_[static_cast<std::size_t>(handler)]; }
  void Set(Handler handler, Outcome outcome) {
    outcomes_[static_cast<std::size_t>(handler)] = outcome;
  }

 private:
  std::array<Outcome, kHandlerCount> outcomes_{};
};

}  // namespace kr55le
