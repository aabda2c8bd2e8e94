// The hot-plug notices of a command that waits on the bus (--wait, upgrade --each), and which
// of the scanned interfaces are new to it: a device is identified when its arrival's notice
// brings it (or at the start), never by looking at the bus over and over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hid/forwarding_hid_services.h"

namespace kr55le {

// What the notices since the last look said.
struct NoticeBatch {
  bool arrival = false;
  bool removal = false;
};

// A view of the bus that listens to its notices for as long as it lives. A dialog run through
// the view (to identify a device) registers its own sink beside the watch's: each notice
// reaches both, so that none is lost to the watch meanwhile.
class NoticeWatch final : public hid::ForwardingHidServices {
 public:
  explicit NoticeWatch(hid::HidServices& bus);
  ~NoticeWatch() override;
  NoticeWatch(const NoticeWatch&) = delete;
  NoticeWatch& operator=(const NoticeWatch&) = delete;

  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override;

  // Waits up to `wait` for a notice (zero: only looks) and gives those that came since the last
  // call.
  NoticeBatch Await(std::chrono::milliseconds wait);

 private:
  void Notice(hid::DeviceChange change);

  std::mutex mutex_;  // over pending_
  std::condition_variable changed_;
  NoticeBatch pending_;
  std::mutex deliveryMutex_;  // over dialogSink_, held while it is called
  std::function<void(hid::DeviceChange)> dialogSink_;
};

// The scanned interfaces a waiting command has looked at, so that each device is identified
// once: at the start, and on the notice that brings it.
class ArrivalTracker {
 public:
  using PathFilter = std::function<bool(const std::string& path)>;

  // The scanned interfaces present now that were not at the last look, but those `busy` names
  // (a run has the device; they count as new once no longer busy). A path present across a
  // removal may have passed to another device: it counts as new at the next arrival.
  std::vector<std::string> Arrived(const std::vector<hid::HidInterface>& present, NoticeBatch batch,
                                   const PathFilter& busy = nullptr);
  // Whether `path` was present at the last look and counted.
  bool Known(const std::string& path) const;

 private:
  struct Entry {
    std::string path;
    bool inDoubt = false;  // present across a removal, no arrival told since
  };
  const Entry* Find(const std::string& path) const;

  std::vector<Entry> known_;
};

}  // namespace kr55le
