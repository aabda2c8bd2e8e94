// The input reports waiting for one open handle, each with the time it becomes readable. The
// writer's thread pushes, the reader's thread waits on a condition variable; nothing spins.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace kr55le::sim {

using SimClock = std::chrono::steady_clock;

class ReportQueue {
 public:
  enum class Status { Report, TimedOut, Gone };
  struct Taken {
    Status status = Status::TimedOut;
    std::vector<std::uint8_t> report;
  };

  // Queued in order: a reply is never readable before the one sent ahead of it.
  void Push(std::vector<std::uint8_t> report, SimClock::time_point due);
  // Waits until the front report is due, the deadline passes or the queue is closed.
  Taken Take(SimClock::time_point deadline);
  // The front report if it is due now, without waiting.
  Taken TakeIfDue();
  // The device has gone: every wait ends at once, and every later one too.
  void Close();
  bool IsClosed() const;

 private:
  struct Pending {
    SimClock::time_point due;
    std::vector<std::uint8_t> report;
  };
  Taken TakeFrontLocked(SimClock::time_point now);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending> pending_;
  bool closed_ = false;
};

}  // namespace kr55le::sim
