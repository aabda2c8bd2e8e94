#include "platform/linux/node_holds.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/linux/file_descriptor.h"
#include "platform/linux/hidraw_errors.h"

namespace kr55le {

NodeHolds::Hold NodeHolds::Take(const std::string& node, int fileDescriptor,
                                hid::HidResult& result) {
  const std::lock_guard lock(mutex_);
  std::erase_if(holds_, [](const auto& entry) { return entry.second.expired(); });
  if (Hold held = holds_[node].lock()) return held;

  if (::flock(fileDescriptor, LOCK_EX | LOCK_NB) < 0) {
    const int error = errno;
    if (error == EWOULDBLOCK) {
      result = SystemFailure(hid::HidError::InUse, error, "flock(" + node + ")");
      return nullptr;
    }
    // A file system without locks: the device is still usable, only not guarded.
  }
  // The lock belongs to the open file, which this duplicate keeps open after the device that
  // took it has closed its own.
  Hold hold = std::make_shared<const FileDescriptor>(::fcntl(fileDescriptor, F_DUPFD_CLOEXEC, 0));
  holds_[node] = hold;
  return hold;
}

}  // namespace kr55le
