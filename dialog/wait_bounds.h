// The bounds of every wait for the device, in polls. Waits count polls, not time; tests and
// scripted runs shrink them through this one struct.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kr55le {

// A wait counted as an inner counter that rolls over into an outer one.
struct PollBound {
  std::uint64_t inner;
  std::uint64_t outer;
  constexpr std::uint64_t Total() const { return inner * outer; }
};

struct WaitBounds {
  std::uint64_t deviceInfo = 0xFFFFFFFF;  // the scan's tight wait, no pumping
  PollBound browseCheck{0xFFFFF, 20};     // the Browse handler's image check, pumping
  // The upgrade's repeated check and its start wait share one outer count.
  std::uint64_t repeatedCheckInner = 0xFFFFF;
  std::uint64_t startInner = 0xFFFFFF;
  std::uint64_t upgradeOuter = 100;
  PollBound acknowledgement{65535, 65535};  // each block, no pumping
  std::uint64_t closeDelay = 0xFFFFF;       // empty passes after the exit request has gone
  // After the link found the device of a transfer gone with no notice to say so: how many
  // times the listing is read again, pumping between, before the device still listed is taken
  // for one that failed rather than left. The removal's entry goes a moment after the failure
  // that reports it: a pulled USB device's write fails at once, its node goes only once the
  // hub's work has run, which a busy or emulated machine takes a second or more for. Not
  // scaled: it waits for the system, not for the device.
  std::uint64_t lostDeviceListings = 10000;
};

// The most polls any one wait of `bounds` counts.
constexpr std::uint64_t LongestWait(const WaitBounds& bounds) {
  return std::max({bounds.deviceInfo, bounds.browseCheck.Total(),
                   bounds.repeatedCheckInner * bounds.upgradeOuter,
                   bounds.startInner * bounds.upgradeOuter, bounds.acknowledgement.Total(),
                   bounds.closeDelay});
}

// Every wait's total bound multiplied by `factor` (rounded up, at least one poll).
WaitBounds ScaleWaitBounds(const WaitBounds& bounds, double factor);

}  // namespace kr55le
