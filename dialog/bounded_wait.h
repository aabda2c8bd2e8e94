// The one shape of every wait for the device: polls counted against a two-level bound, with
// conditions that end the wait early. Waits count polls, not time (see wait_bounds.h).
#pragma once

#include <cstdint>
#include <optional>

#include "dialog/wait_bounds.h"

namespace kr55le {

enum class WaitEnd {
  Answered,   // what the wait was for has come
  Ended,      // one of the conditions that end the wait early holds
  Exhausted,  // the bound is spent
};

// A wait with a single count: its outer bound.
inline constexpr std::uint64_t kOnePass = 1;

// An inner count that rolls over into an outer one. The bounds are read at every poll, where
// they live, so that a bound shrunk during a wait (as tests do) holds at once.
class PollCounter {
 public:
  PollCounter(const std::uint64_t& innerBound, const std::uint64_t& outerBound)
      : innerBound_(&innerBound), outerBound_(&outerBound) {}
  explicit PollCounter(const PollBound& bound) : PollCounter(bound.inner, bound.outer) {}
  // Bounds that would not outlive the counter.
  PollCounter(const std::uint64_t&&, const std::uint64_t&) = delete;
  PollCounter(const std::uint64_t&, const std::uint64_t&&) = delete;
  PollCounter(const PollBound&&) = delete;

  // Counts one poll; false once the bound is spent.
  bool Count() {
    if (++inner_ < *innerBound_) return true;
    inner_ = 0;
    return ++outer_ < *outerBound_;
  }
  // A wait that goes on from this one's counts under its own inner bound (the upgrade's start
  // wait shares the outer count with the repeated check before it).
  void ContinueWithInner(const std::uint64_t& innerBound) { innerBound_ = &innerBound; }
  void ContinueWithInner(const std::uint64_t&&) = delete;

 private:
  const std::uint64_t* innerBound_;
  const std::uint64_t* outerBound_;
  std::uint64_t inner_ = 0;
  std::uint64_t outer_ = 0;
};

// Polls until `answered()` holds, `ended()` holds, or `counter` is spent. Between polls it runs
// `between()` (pumping messages, or stepping the progress bar), after which the conditions are
// asked again: a message handled there may have ended the wait.
template <typename Answered, typename Ended, typename Between>
WaitEnd PollUntil(PollCounter& counter, Answered answered, Ended ended, Between between) {
  for (;;) {
    if (answered()) return WaitEnd::Answered;
    if (ended()) return WaitEnd::Ended;
    between();
    if (ended()) return WaitEnd::Ended;
    if (!counter.Count()) return WaitEnd::Exhausted;
  }
}

// Up to `polls` polls of PollUntil; nothing when none of them ended the wait. Never inlined: a
// host that lets the browser run between batches suspends the caller's frame, and a frame that
// can be suspended is compiled to slower code, which the polls themselves must not be.
template <typename Answered, typename Ended, typename Between>
[[gnu::noinline]] std::optional<WaitEnd> PollBatch(PollCounter& counter, unsigned polls,
                                                   Answered& answered, Ended& ended,
                                                   Between& between) {
  for (unsigned poll = 0; poll < polls; ++poll) {
    if (answered()) return WaitEnd::Answered;
    if (ended()) return WaitEnd::Ended;
    between();
    if (ended()) return WaitEnd::Ended;
    if (!counter.Count()) return WaitEnd::Exhausted;
  }
  return std::nullopt;
}

// PollUntil for a wait that does not pump, whose `between()` has work only after its first poll.
// With a `batch` of 0 it is PollUntil itself. Otherwise the polls after the first run in batches
// of `batch`, with nothing between them and `slice()` after each batch: so a host without
// threads can run the report link, while the batches stay tight code.
template <typename Answered, typename Ended, typename Between, typename Slice>
WaitEnd PollInSlices(PollCounter& counter, unsigned batch, Answered answered, Ended ended,
                     Between between, Slice slice) {
  if (batch == 0) return PollUntil(counter, answered, ended, between);
  if (const std::optional<WaitEnd> end = PollBatch(counter, 1, answered, ended, between)) {
    return *end;
  }
  auto nothing = [] {};
  for (;;) {
    slice();
    if (const std::optional<WaitEnd> end = PollBatch(counter, batch, answered, ended, nothing)) {
      return *end;
    }
  }
}

}  // namespace kr55le
