// The messages a host queues for the dialog, and the queue itself: hosts take user actions and
// device notices (from any thread) and hand them to the dialog one at a time in their pumps.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "hid/hid_services.h"
#include "window/dialog_host.h"

namespace kr55le {

enum class DialogMessageKind {
  BrowseClicked,
  UpgradeClicked,
  CancelClicked,
  OkCommand,
  CancelCommand,
  DeviceChange,
  Timer,
};

struct DialogMessage {
  DialogMessageKind kind = DialogMessageKind::OkCommand;
  hid::DeviceChange change = hid::DeviceChange::Arrival;  // for DeviceChange only
  friend bool operator==(const DialogMessage&, const DialogMessage&) = default;
};

// Runs the message's handler: the dialog's message map.
void Deliver(DialogMessages& dialog, const DialogMessage& message);

class DialogMessageQueue {
 public:
  void Post(const DialogMessage& message);  // any thread
  // The oldest message, taken off the queue before its handler runs, so that a nested pump
  // never delivers it twice.
  std::optional<DialogMessage> Take();
  std::size_t Size() const;
  // Waits up to `limit` for a message to be queued; false when none was.
  bool AwaitMessage(std::chrono::milliseconds limit);

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<DialogMessage> messages_;  // under mutex_
};

}  // namespace kr55le
