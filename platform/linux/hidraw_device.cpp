#include "platform/linux/hidraw_device.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <optional>

#include "platform/linux/hidraw_errors.h"
#include "platform/linux/report_descriptor.h"
#include "platform/linux/small_file.h"

namespace kr55le {
namespace {

constexpr short kGoneEvents = POLLERR | POLLHUP | POLLNVAL;

int PollTimeout(std::chrono::milliseconds timeout) {
  return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX));
}

hid::HidResult Plain(hid::HidError error, std::string message) {
  hid::HidResult result;
  result.error = error;
  result.message = std::move(message);
  return result;
}

}  // namespace

hid::HidAttributes AttributesFromRawInfo(const hidraw_devinfo& info) {
  hid::HidAttributes attributes;
  attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
  attributes.ProductID = static_cast<std::uint16_t>(info.product);
  return attributes;
}

HidrawDevice::HidrawDevice(int fileDescriptor, std::filesystem::path reportDescriptorFile,
                           std::string nodeName, std::shared_ptr<const void> hold)
    : hold_(std::move(hold)),
      file_(fileDescriptor),
      reportDescriptorFile_(std::move(reportDescriptorFile)),
      nodeName_(std::move(nodeName)) {
  // Before any read or write can run, so both threads see the decision without a lock. A
  // descriptor that cannot be read leaves reports as hidraw gives them.
  descriptorResult_ = ReadDescriptor(descriptor_);
  if (descriptorResult_.ok()) {
    const std::optional<bool> numbered = ReportsAreNumbered(descriptor_);
    unnumbered_ = numbered.has_value() && !*numbered;
  }
}

hid::HidResult HidrawDevice::GetAttributes(hid::HidAttributes& attributes) {
  if (gone_.load(std::memory_order_acquire)) return GoneResult(Call("ioctl", "HIDIOCGRAWINFO"));
  hidraw_devinfo info{};
  if (::ioctl(file_.get(), HIDIOCGRAWINFO, &info) < 0) {
    const int error = errno;
    return Failure(TransferErrorClass(error), error, Call("ioctl", "HIDIOCGRAWINFO"));
  }
  attributes = AttributesFromRawInfo(info);
  return {};
}

hid::HidResult HidrawDevice::GetCaps(hid::HidCaps& caps) {
  if (gone_.load(std::memory_order_acquire)) return GoneResult(Call("ioctl", "HIDIOCGRDESC"));
  if (!descriptorResult_.ok()) return descriptorResult_;
  caps = ParseReportDescriptor(descriptor_);
  return {};
}

hid::HidResult HidrawDevice::ReadDescriptor(std::vector<std::uint8_t>& descriptor) {
  hid::HidResult result;
  // sysfs needs no ioctl permission and works in a fake tree; the node is the fallback.
  if (!reportDescriptorFile_.empty()) {
    result = ReadSmallFile(reportDescriptorFile_, kMaxReportDescriptorSize, descriptor);
  }
  if (reportDescriptorFile_.empty() || !result.ok()) result = ReadDescriptorFromNode(descriptor);
  return result;
}

hid::HidResult HidrawDevice::ReadDescriptorFromNode(std::vector<std::uint8_t>& descriptor) {
  int size = 0;
  if (::ioctl(file_.get(), HIDIOCGRDESCSIZE, &size) < 0) {
    const int error = errno;
    return Failure(TransferErrorClass(error), error, Call("ioctl", "HIDIOCGRDESCSIZE"));
  }
  if (size < 0 || static_cast<std::size_t>(size) > kMaxReportDescriptorSize) {
    return Plain(hid::HidError::TooLong, Call("ioctl", "HIDIOCGRDESCSIZE") + ": " +
                                             std::to_string(size) + " bytes, while maximum is " +
                                             std::to_string(kMaxReportDescriptorSize));
  }
  hidraw_report_descriptor raw{};
  raw.size = static_cast<std::uint32_t>(size);
  if (::ioctl(file_.get(), HIDIOCGRDESC, &raw) < 0) {
    const int error = errno;
    return Failure(TransferErrorClass(error), error, Call("ioctl", "HIDIOCGRDESC"));
  }
  descriptor.assign(raw.value, raw.value + raw.size);
  return {};
}

hid::HidResult HidrawDevice::Read(std::span<std::uint8_t> report, std::size_t& received,
                                  std::chrono::milliseconds timeout) {
  received = 0;
  if (gone_.load(std::memory_order_acquire)) return GoneResult(Call("read"));
  pollfd watch{file_.get(), POLLIN, 0};
  const int ready = ::poll(&watch, 1, PollTimeout(timeout));
  if (ready < 0) {
    const int error = errno;
    // A signal cuts the wait short; the caller's next pass waits again.
    if (error == EINTR) return Plain(hid::HidError::TimedOut, Call("poll") + ": interrupted");
    return Failure(hid::HidError::Io, error, Call("poll"));
  }
  if (ready == 0) return Plain(hid::HidError::TimedOut, Call("poll") + ": no report");
  if ((watch.revents & kGoneEvents) != 0) {
    gone_.store(true, std::memory_order_release);
    return GoneResult(Call("poll"));
  }
  // A buffer that holds any report, so a report longer than the caller's is told, not cut, and
  // room before it for the ID byte hidraw leaves out when the device numbers no reports.
  std::array<std::uint8_t, hid::kReportIdSize + kMaxHidrawReportSize> buffer;
  buffer[0] = hid::kNoReportId;
  const std::size_t added = unnumbered_ ? hid::kReportIdSize : 0;
  const ssize_t got = ::read(file_.get(), buffer.data() + added, kMaxHidrawReportSize);
  if (got < 0) {
    const int error = errno;
    if (error == EAGAIN || error == EINTR) {
      return Plain(hid::HidError::TimedOut, Call("read") + ": no report");
    }
    return Failure(TransferErrorClass(error), error, Call("read"));
  }
  if (got == 0) {  // end of file: the other end has gone
    gone_.store(true, std::memory_order_release);
    return GoneResult(Call("read"));
  }
  const auto length = added + static_cast<std::size_t>(got);
  if (length > report.size()) {
    return Plain(hid::HidError::TooLong, Call("read") + ": received " + std::to_string(length) +
                                             " bytes, while maximum is " +
                                             std::to_string(report.size()));
  }
  std::copy_n(buffer.begin(), length, report.begin());
  received = length;
  return {};
}

// Sent as given, even for a device that numbers no reports: hidraw's write wants the ID byte
// first, 0 for such a device, and the transport drivers (usbhid, i2c-hid) drop it themselves.
// A write that fails with EINTR or EAGAIN has written nothing (write(2)), so that trying it again
// here, or giving up as NotSent, cannot make the device take it twice.
hid::HidResult HidrawDevice::Write(std::span<const std::uint8_t> report) {
  if (gone_.load(std::memory_order_acquire)) return GoneResult(Call("write"));
  for (int attempt = 0; attempt < kMaxWriteAttempts; ++attempt) {
    const ssize_t sent = ::write(file_.get(), report.data(), report.size());
    if (sent >= 0) {
      if (static_cast<std::size_t>(sent) == report.size()) return {};
      return Plain(hid::HidError::Io, Call("write") + ": wrote " + std::to_string(sent) + " of " +
                                          std::to_string(report.size()) + " bytes");
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EAGAIN) return Failure(WriteErrorClass(error), error, Call("write"));
    const hid::HidResult writable = WaitWritable();
    if (!writable.ok()) return writable;
  }
  return Plain(hid::HidError::NotSent, Call("write") + ": the report was not taken");
}

// After a write that wrote nothing: a failure here leaves the report unsent.
hid::HidResult HidrawDevice::WaitWritable() {
  pollfd watch{file_.get(), POLLOUT, 0};
  const int ready = ::poll(&watch, 1, PollTimeout(kWriteWait));
  if (ready < 0) {
    const int error = errno;
    return error == EINTR ? hid::HidResult{} : Failure(hid::HidError::NotSent, error, Call("poll"));
  }
  if (ready == 0) return Plain(hid::HidError::NotSent, Call("write") + ": not writable");
  if ((watch.revents & kGoneEvents) != 0) {
    gone_.store(true, std::memory_order_release);
    return GoneResult(Call("poll"));
  }
  return {};
}

hid::HidResult HidrawDevice::Failure(hid::HidError error, int systemError,
                                     const std::string& call) {
  if (error == hid::HidError::Gone) gone_.store(true, std::memory_order_release);
  return SystemFailure(error, systemError, call);
}

hid::HidResult HidrawDevice::GoneResult(const std::string& call) const {
  return SystemFailure(hid::HidError::Gone, ENODEV, call);
}

std::string HidrawDevice::Call(std::string_view function, std::string_view request) const {
  std::string call = std::string(function) + "(" + nodeName_;
  if (!request.empty()) call += ", " + std::string(request);
  return call + ")";
}

}  // namespace kr55le
