// The devices of a simulated bus as the options give them: the simulated ones, or those a
// recording presents.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "device/report_view.h"
#include "image/image_payload.h"

#include "sim/sim_options.h"

namespace kr55le::sim {

// The largest recording a replay reads: more than any session of the utility's could write.
// That is its largest upgrade, each block sent up to kReplayBlockSends times (re-sends) and
// acknowledged each time, and kReplayOtherReports more reports for the scans, identification,
// checks, start and exit; each report a line of at most its bytes in hexadecimal, at the longest
// report length the utility takes, and the event's other members.
inline constexpr std::size_t kReplayBlockSends = 4;
inline constexpr std::size_t kReportsPerSend = 2;  // the block and its acknowledgement
inline constexpr std::size_t kReplayOtherReports = 256;
inline constexpr std::size_t kHexDigitsPerByte = 2;
inline constexpr std::size_t kReplayLineMembers = 256;  // an event line's bytes but the report
inline constexpr std::size_t kMaxReplayReports =
    std::size_t{kMaxBlockCount} * kReplayBlockSends * kReportsPerSend + kReplayOtherReports;
inline constexpr std::size_t kMaxReplayBytes =
    kMaxReplayReports * (kHexDigitsPerByte * kReportSize + kReplayLineMembers);

// None, with `error` set, when a recording to replay cannot be read or is not one: a file that is
// not a regular one (a FIFO, a device such as /dev/zero) or is larger than kMaxReplayBytes is
// refused before it is read.
std::vector<SimDeviceConfig> LoadDeviceConfigs(const SimOptions& options, std::string& error);

}  // namespace kr55le::sim
