#include "platform/linux/node_holds.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/hidraw_errors.h"

namespace kr55le {

class NodeHolds::Share {
 public:
  Share(std::shared_ptr<Registry> registry, std::string node)
      : registry_(std::move(registry)), node_(std::move(node)) {}
  ~Share() { registry_->Release(node_); }
  Share(const Share&) = delete;
  Share& operator=(const Share&) = delete;

 private:
  const std::shared_ptr<Registry> registry_;
  const std::string node_;
};

void NodeHolds::Registry::Release(const std::string& node) {
  const std::lock_guard lock(mutex);
  const auto entry = entries.find(node);
  if (entry == entries.end() || --entry->second.shares > 0) return;
  if (entry->second.lockedFile >= 0) ::close(entry->second.lockedFile);
  entries.erase(entry);
}

NodeHolds::Hold NodeHolds::Take(const std::string& node, int fileDescriptor,
                                hid::HidResult& result) {
  const std::lock_guard lock(registry_->mutex);
  Registry::Entry& entry = registry_->entries[node];
  if (entry.shares == 0) {
    if (::flock(fileDescriptor, LOCK_EX | LOCK_NB) < 0) {
      const int error = errno;
      if (error == EWOULDBLOCK) {
        registry_->entries.erase(node);
        result = SystemFailure(hid::HidError::InUse, error, "flock(" + node + ")");
        return nullptr;
      }
      // A file system without locks: the device is still usable, only not guarded.
    }
    // The lock belongs to the open file, which this duplicate keeps open after the device that
    // took it has closed its own.
    entry.lockedFile = ::fcntl(fileDescriptor, F_DUPFD_CLOEXEC, 0);
  }
  ++entry.shares;
  return std::make_shared<const Share>(registry_, node);
}

}  // namespace kr55le
