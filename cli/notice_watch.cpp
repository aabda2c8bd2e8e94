#include "cli/notice_watch.h"

#include <algorithm>
#include <utility>

#include "dialog/interface_paths.h"
#include "platform/console/notice_poll.h"

namespace kr55le {

NoticeWatch::NoticeWatch(hid::HidServices& bus) : ForwardingHidServices(bus) {
  Bus().RegisterNotices([this](hid::DeviceChange change) { Notice(change); });
}

NoticeWatch::~NoticeWatch() {
  // Backends return only once a notice being delivered has been.
  Bus().RegisterNotices(nullptr);
}

void NoticeWatch::RegisterNotices(std::function<void(hid::DeviceChange)> sink) {
  // As a backend does: a notice being delivered to the sink before has been once this returns.
  const std::lock_guard delivery(deliveryMutex_);
  dialogSink_ = std::move(sink);
}

void NoticeWatch::Notice(hid::DeviceChange change) {
  const std::lock_guard delivery(deliveryMutex_);
  {
    const std::lock_guard lock(mutex_);
    (change == hid::DeviceChange::Arrival ? pending_.arrival : pending_.removal) = true;
    changed_.notify_one();
  }
  if (dialogSink_) dialogSink_(change);
}

NoticeBatch NoticeWatch::Await(std::chrono::milliseconds wait) {
  const int descriptor = NoticeDescriptor();
  if (descriptor >= 0 && console::IsReadable(descriptor, static_cast<int>(wait.count()))) {
    DispatchNotices();
  }
  // Windows: the notice window's messages run the sink here.
  console::DispatchThreadMessages();
  std::unique_lock lock(mutex_);
  if (descriptor < 0) {
    changed_.wait_for(lock, wait, [this] { return pending_.arrival || pending_.removal; });
  }
  return std::exchange(pending_, {});
}

std::vector<std::string> ArrivalTracker::Arrived(const std::vector<hid::HidInterface>& present,
                                                 NoticeBatch batch, const PathFilter& busy) {
  std::vector<Entry> kept;
  std::vector<std::string> arrived;
  for (const hid::HidInterface& interface : present) {
    if (!IsScannedInterface(interface.path)) continue;
    const Entry* entry = Find(interface.path);
    // After a removal a path may have passed to another device, whose arrival the notices tell
    // at the latest with the next batch: until then it is in doubt.
    const bool inDoubt = entry != nullptr && (entry->inDoubt || batch.removal);
    const bool fresh = entry == nullptr || (inDoubt && batch.arrival);
    // A busy path that is fresh is left unknown, to be looked at once it is free.
    if (busy && busy(interface.path)) {
      if (!fresh) kept.push_back({interface.path, inDoubt});
      continue;
    }
    kept.push_back({interface.path, inDoubt && !fresh});
    if (fresh) arrived.push_back(interface.path);
  }
  known_ = std::move(kept);
  return arrived;
}

bool ArrivalTracker::Known(const std::string& path) const {
  return Find(path) != nullptr;
}

const ArrivalTracker::Entry* ArrivalTracker::Find(const std::string& path) const {
  const auto found = std::find_if(known_.begin(), known_.end(), [&path](const Entry& entry) {
    return hid::SameInterfacePath(entry.path, path);
  });
  return found == known_.end() ? nullptr : &*found;
}

}  // namespace kr55le
