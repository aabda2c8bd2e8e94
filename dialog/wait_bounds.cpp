#include "dialog/wait_bounds.h"

#include <algorithm>
#include <cmath>

namespace kr55le {
namespace {

std::uint64_t Scale(std::uint64_t polls, double factor) {
  const double scaled = std::ceil(static_cast<double>(polls) * factor);
  return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(scaled));
}

// Scales the whole of a two-level bound by scaling its inner count, or, once that is down to
// one poll, its outer count.
PollBound Scale(PollBound bound, double factor) {
  const std::uint64_t total = Scale(bound.Total(), factor);
  if (total >= bound.outer) return {(total + bound.outer - 1) / bound.outer, bound.outer};
  return {1, total};
}

}  // namespace

WaitBounds ScaleWaitBounds(const WaitBounds& bounds, double factor) {
  WaitBounds scaled = bounds;
  scaled.deviceInfo = Scale(bounds.deviceInfo, factor);
  scaled.browseCheck = Scale(bounds.browseCheck, factor);
  scaled.repeatedCheckInner = Scale(bounds.repeatedCheckInner, factor);
  scaled.startInner = Scale(bounds.startInner, factor);
  scaled.acknowledgement = Scale(bounds.acknowledgement, factor);
  return scaled;
}

}  // namespace kr55le
