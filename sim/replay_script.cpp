#include "sim/replay_script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <map>

#include "device/protocol.h"
#include "res/strings.h"

namespace kr55le::sim {
namespace {

using record::Event;
using record::EventKind;

constexpr std::string_view kVendorMark = "vid_";
constexpr std::string_view kProductMark = "pid_";
constexpr std::size_t kIdDigits = 4;
constexpr int kIdBase = 16;
constexpr std::uint64_t kMicrosecondsPerMillisecond = 1000;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The four hex digits after `mark` in a lower-cased path, or 0.
std::uint16_t IdAfter(const std::string& path, std::string_view mark) {
  const std::size_t at = path.find(mark);
  if (at == std::string::npos || path.size() - at - mark.size() < kIdDigits) return 0;
  const char* first = path.data() + at + mark.size();
  std::uint16_t id = 0;
  const auto [end, error] = std::from_chars(first, first + kIdDigits, id, kIdBase);
  return error == std::errc() && end == first + kIdDigits ? id : 0;
}

// What the events say of one path, while they are read.
struct PathState {
  std::optional<hid::HidAttributes> attributes;
  std::optional<hid::HidCaps> caps;
  std::vector<ReplayStep> steps;
  std::uint64_t lastWriteAt = 0;  // the last step's write, in microseconds
};

std::optional<std::uint8_t> StatusReplyIdOf(const std::vector<ReplayStep>& steps) {
  for (const ReplayStep& step : steps) {
    for (const TimedReply& reply : step.replies) {
      if (!reply.report.empty() && reply.report[0] != kDeviceInfoReplyId &&
          reply.report[0] != hid::kNoReportId) {
        return reply.report[0];
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<ReplayDevice> ReplayDevices(const std::vector<Event>& events) {
  const auto firstList = std::find_if(events.begin(), events.end(), [](const Event& event) {
    return event.kind == EventKind::Interfaces;
  });
  if (firstList == events.end()) return {};
  std::map<std::uint32_t, std::string> pathOfHandle;  // lower case
  std::map<std::string, PathState> paths;
  for (const Event& event : events) {
    if (event.kind == EventKind::Open) {
      if (event.error == hid::HidError::None) pathOfHandle[event.handle] = Lower(event.path);
      continue;
    }
    const auto handle = pathOfHandle.find(event.handle);
    if (event.kind == EventKind::Start || event.kind == EventKind::Interfaces ||
        handle == pathOfHandle.end()) {
      continue;
    }
    PathState& state = paths[handle->second];
    const bool worked = event.error == hid::HidError::None;
    switch (event.kind) {
      case EventKind::Attributes:
        if (worked && !state.attributes) state.attributes = event.attributes;
        break;
      case EventKind::Caps:
        if (worked && !state.caps) state.caps = event.caps;
        break;
      case EventKind::Write:
        state.steps.push_back({event.bytes, {}, false});
        state.lastWriteAt = event.micros;
        break;
      case EventKind::WriteFailed:
      case EventKind::Read:
        if (state.steps.empty()) break;
        if (event.error == hid::HidError::Gone) {
          state.steps.back().gone = true;
        } else if (worked && event.kind == EventKind::Read) {
          const std::uint64_t since = event.micros - std::min(event.micros, state.lastWriteAt);
          state.steps.back().replies.push_back(
              {event.bytes, std::chrono::milliseconds(since / kMicrosecondsPerMillisecond)});
        }
        break;
      default:
        break;
    }
  }
  std::vector<ReplayDevice> devices;
  for (const hid::HidInterface& interface : firstList->interfaces) {
    ReplayDevice& device = devices.emplace_back();
    device.path = interface.path;
    device.description = interface.description;
    const std::string key = Lower(interface.path);
    device.attributes = {IdAfter(key, kVendorMark), IdAfter(key, kProductMark), 0};
    const auto state = paths.find(key);
    if (state == paths.end()) continue;
    if (state->second.attributes) device.attributes = *state->second.attributes;
    if (state->second.caps) device.caps = *state->second.caps;
    device.steps = std::move(state->second.steps);
    device.statusReplyId = StatusReplyIdOf(device.steps);
  }
  return devices;
}

ReplayCursor::ReplayCursor(std::shared_ptr<const ReplayDevice> device, bool recordedTiming)
    : device_(std::move(device)), recordedTiming_(recordedTiming) {}

DeviceResponse ReplayCursor::Answer(std::span<const std::uint8_t> report) {
  if (stopped_) return {};
  const std::size_t number = next_ + 1;  // counted from 1, as a person reads them
  if (next_ >= device_->steps.size()) {
    std::fprintf(stderr, std::string(text::kReplayEndedFormat).c_str(), number);
    stopped_ = true;
    return {};
  }
  const ReplayStep& step = device_->steps[next_++];
  const std::vector<std::uint8_t>& expected = step.request;
  const auto [got, want] =
      std::mismatch(report.begin(), report.end(), expected.begin(), expected.end());
  if (got != report.end() || want != expected.end()) {
    const auto offset = static_cast<std::size_t>(got - report.begin());
    if (got == report.end() || want == expected.end()) {
      std::fprintf(stderr, std::string(text::kReplayLengthFormat).c_str(), number, report.size(),
                   expected.size());
    } else {
      std::fprintf(stderr, std::string(text::kReplayDiffersFormat).c_str(), number, offset,
                   static_cast<unsigned>(*want), static_cast<unsigned>(*got));
    }
    stopped_ = true;
    return {};
  }
  DeviceResponse response;
  response.unplug = step.gone;
  response.replies = step.replies;
  if (!recordedTiming_) {
    for (TimedReply& reply : response.replies) reply.delay = std::chrono::milliseconds(0);
  }
  return response;
}

}  // namespace kr55le::sim
