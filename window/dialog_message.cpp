#include "window/dialog_message.h"

namespace kr55le {

void Deliver(DialogMessages& dialog, const DialogMessage& message) {
  switch (message.kind) {
    case DialogMessageKind::BrowseClicked:
      dialog.OnBrowseFile();
      return;
    case DialogMessageKind::UpgradeClicked:
      dialog.OnUpgrade();
      return;
    case DialogMessageKind::CancelClicked:
      dialog.OnCancelUpgrade();
      return;
    case DialogMessageKind::OkCommand:
      dialog.OnOK();
      return;
    case DialogMessageKind::CancelCommand:
      dialog.OnCancel();
      return;
    case DialogMessageKind::DeviceChange:
      dialog.OnDeviceChange(message.change);
      return;
    case DialogMessageKind::Timer:
      dialog.OnTimer();
      return;
  }
}

void DialogMessageQueue::Post(const DialogMessage& message) {
  const std::lock_guard lock(mutex_);
  messages_.push_back(message);
  posted_.notify_all();
}

std::optional<DialogMessage> DialogMessageQueue::Take() {
  const std::lock_guard lock(mutex_);
  if (messages_.empty()) return std::nullopt;
  const DialogMessage message = messages_.front();
  messages_.pop_front();
  return message;
}

bool DialogMessageQueue::AwaitMessage(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return posted_.wait_for(lock, limit, [this] { return !messages_.empty(); });
}

std::size_t DialogMessageQueue::Size() const {
  const std::lock_guard lock(mutex_);
  return messages_.size();
}

}  // namespace kr55le
