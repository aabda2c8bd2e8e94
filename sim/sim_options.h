// The command line's description of a simulated bus: a comma-separated list of key=value (or
// bare flag) entries, e.g. "mode=audio,fail-at=3,devices=2". An entry written "N:key=value"
// applies to the N-th device only (numbered from 1), e.g. "devices=3,2:fail-at=5". The empty
// text gives the defaults.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_device_config.h"

namespace kr55le::sim {

inline constexpr std::size_t kDefaultDeviceCount = 1;
inline constexpr std::size_t kMaxDeviceCount = 16;
inline constexpr std::uint32_t kMaxDelayMilliseconds = 600000;  // ten minutes
// The pace of a full-speed USB device, a block about every 16 ms: the demo's default, so that a
// person can watch its transfer.
inline constexpr std::chrono::milliseconds kFullSpeedReplyLatency{16};

// One device's own entry, as written after its number.
struct DeviceEntry {
  std::size_t device = 0;  // from 1
  std::string entry;

  bool operator==(const DeviceEntry&) const = default;
};

struct SimOptions {
  SimDeviceConfig config;  // where every simulated KR-55LE starts from
  std::size_t deviceCount = kDefaultDeviceCount;
  std::vector<DeviceEntry> deviceEntries;  // applied after `config`, in order
  std::string replayPath;                  // a recording whose devices the bus presents instead
  bool replayRecordedTiming = false;       // its replies as late as recorded; else at once

  bool operator==(const SimOptions&) const = default;
};

struct SimOptionsResult {
  SimOptions options;
  std::string error;  // names the bad key or value; empty when the text was understood
  bool ok() const { return error.empty(); }
};

// Which keys the caller's transport plays: those of the USB link alone are refused elsewhere,
// by name.
enum class TransportKeys { Common, UsbLink };

// Keys: mode=firmware|audio, serial=TEXT, software-version=TEXT, bootloader-version=TEXT,
// resend-every=N, fail-at=N, lost-ack-at=N, unplug-at=N, silent=info|check|start|block:N,
// devices=N, replay=FILE, replay-timing=recorded|fast, no-description, input-length=N,
// output-length=N, status-id=N, again-code=N, reply-fill=N, erase-ms=N, reply-ms=N, chatter,
// repeat-ack; with TransportKeys::UsbLink
// also out-endpoint=yes|no, disconnect-at=N and stall-at=N. What the text does not set keeps its
// value in `defaults`; refused text gives `defaults`.
SimOptionsResult ParseSimOptions(std::string_view text, const SimOptions& defaults = {},
                                 TransportKeys keys = TransportKeys::Common);

// Each device's configuration, the first device first. With several devices, the k-th one's
// serial number ends in k (its trailing digits give way to k, as wide), so that each can be told
// apart; then its own entries apply.
std::vector<SimDeviceConfig> DeviceConfigs(const SimOptions& options);

}  // namespace kr55le::sim
