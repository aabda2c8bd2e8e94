#include "sim/uhid/virtual_device.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "sim/model_descriptor.h"

namespace kr55le::uhid {
namespace {

// The answer to report requests the protocol has no use for.
constexpr std::uint16_t kReportRequestError = EIO;
// Writes cut short by a signal before giving up.
constexpr int kMaxWriteAttempts = 4;

std::string SystemError(const char* call, int error) {
  return std::string(call) + "(uhid): " + std::generic_category().message(error);
}

}  // namespace

VirtualDevice::VirtualDevice(int descriptor, sim::SimDeviceConfig config, UhidIdentity identity)
    : file_(descriptor), model_(std::move(config)), identity_(std::move(identity)) {}

std::string VirtualDevice::Create() {
  const auto event = EncodeCreate(identity_, sim::BuildReportDescriptor(model_.Config()));
  if (!event) return "create(uhid): the name or the report descriptor is too long";
  return Write(*event);
}

std::string VirtualDevice::HandleEvent(Clock::time_point now) {
  EventBytes bytes(kEventSize);
  const ssize_t got = ::read(file_.get(), bytes.data(), bytes.size());
  if (got < 0) {
    const int error = errno;
    if (error == EINTR || error == EAGAIN) return {};
    return SystemError("read", error);
  }
  if (got == 0) return "read(uhid): end of file";
  bytes.resize(static_cast<std::size_t>(got));
  const std::optional<ReadEvent> event = DecodeEvent(bytes);
  if (!event) return "read(uhid): a malformed event of " + std::to_string(got) + " bytes";
  // The kernel takes no answer from a destroyed device; what it still reports is stale.
  if (destroyed_) return {};
  switch (event->kind) {
    case EventKind::Output:
      return TakeOutput(event->report, now);
    case EventKind::GetReport:
      return Write(EncodeGetReportReply(event->requestId, kReportRequestError));
    case EventKind::SetReport:
      return Write(EncodeSetReportReply(event->requestId, kReportRequestError));
    default:
      return {};  // start, stop, open and close change nothing the model knows of
  }
}

std::string VirtualDevice::TakeOutput(const std::vector<std::uint8_t>& report,
                                      Clock::time_point now) {
  sim::DeviceResponse response = model_.HandleOutputReport(report);
  if (response.unplug) return Destroy();
  for (sim::TimedReply& reply : response.replies) {
    pending_.push_back({now + reply.delay, std::move(reply.report)});
  }
  return {};
}

std::optional<Clock::time_point> VirtualDevice::NextDue() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.front().due;
}

std::string VirtualDevice::SendDue(Clock::time_point now) {
  // Only the front is taken, so a reply never overtakes the one sent ahead of it.
  while (!pending_.empty() && pending_.front().due <= now) {
    const auto event = EncodeInput(pending_.front().report);
    pending_.pop_front();
    if (!event) return "input(uhid): the report does not fit an event";
    if (std::string error = Write(*event); !error.empty()) return error;
  }
  return {};
}

std::string VirtualDevice::Destroy() {
  if (destroyed_) return {};
  destroyed_ = true;
  pending_.clear();
  return Write(EncodeDestroy());
}

std::string VirtualDevice::Write(const EventBytes& event) {
  int error = EINTR;
  for (int attempt = 0; attempt < kMaxWriteAttempts && error == EINTR; ++attempt) {
    const ssize_t sent = ::write(file_.get(), event.data(), event.size());
    if (sent == static_cast<ssize_t>(event.size())) return {};
    if (sent >= 0) {
      return "write(uhid): " + std::to_string(sent) + " of " + std::to_string(event.size()) +
             " bytes";
    }
    error = errno;
  }
  return SystemError("write", error);
}

}  // namespace kr55le::uhid
