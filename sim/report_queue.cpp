#include "sim/report_queue.h"

#include <algorithm>

namespace kr55le::sim {

// Only the front is ever taken, so a reply never overtakes the one ahead of it.
void ReportQueue::Push(std::vector<std::uint8_t> report, SimClock::time_point due) {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    pending_.push_back(Pending{due, std::move(report)});
  }
  changed_.notify_all();
}

ReportQueue::Taken ReportQueue::Take(SimClock::time_point deadline) {
  std::unique_lock lock(mutex_);
  for (;;) {
    const auto now = SimClock::now();
    Taken taken = TakeFrontLocked(now);
    if (taken.status != Status::TimedOut || now >= deadline) return taken;
    const auto wakeAt = pending_.empty() ? deadline : std::min(deadline, pending_.front().due);
    changed_.wait_until(lock, wakeAt);
  }
}

ReportQueue::Taken ReportQueue::TakeIfDue() {
  std::lock_guard lock(mutex_);
  return TakeFrontLocked(SimClock::now());
}

ReportQueue::Taken ReportQueue::TakeFrontLocked(SimClock::time_point now) {
  Taken taken;
  if (closed_) {
    taken.status = Status::Gone;
  } else if (!pending_.empty() && pending_.front().due <= now) {
    taken.status = Status::Report;
    taken.report = std::move(pending_.front().report);
    pending_.pop_front();
  }
  return taken;
}

void ReportQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_.clear();
  }
  changed_.notify_all();
}

bool ReportQueue::IsClosed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace kr55le::sim
