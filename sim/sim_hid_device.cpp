#include "sim/sim_hid_device.h"

#include <algorithm>
#include <utility>

namespace kr55le::sim {
namespace {

constexpr char kDeviceGone[] = "the device has been unplugged";

}  // namespace

SimHidDevice::SimHidDevice(std::shared_ptr<SimulatedDevice> device, std::string path,
                           SimulatedDevice::Hold hold)
    : device_(std::move(device)),
      queue_(device_->OpenQueue()),
      path_(std::move(path)),
      hold_(std::move(hold)) {}

hid::HidResult SimHidDevice::GetAttributes(hid::HidAttributes& attributes) {
  if (device_->IsGone()) return Failure(hid::HidError::Gone, "attributes", kDeviceGone);
  attributes = device_->Identity().attributes;
  return {};
}

hid::HidResult SimHidDevice::GetCaps(hid::HidCaps& caps) {
  if (device_->IsGone()) return Failure(hid::HidError::Gone, "caps", kDeviceGone);
  caps = device_->Identity().caps;
  return {};
}

hid::HidResult SimHidDevice::Read(std::span<std::uint8_t> report, std::size_t& received,
                                  std::chrono::milliseconds timeout) {
  received = 0;
  ReportQueue::Taken taken;
  if (device_->Chatters()) {
    // A chattering device always has something to say; replies still go first when due.
    taken = queue_->TakeIfDue();
    if (taken.status == ReportQueue::Status::TimedOut) {
      taken.status = ReportQueue::Status::Report;
      taken.report = NextChatter();
    }
  } else {
    taken = queue_->Take(SimClock::now() + timeout);
  }
  switch (taken.status) {
    case ReportQueue::Status::Gone:
      return Failure(hid::HidError::Gone, "read", kDeviceGone);
    case ReportQueue::Status::TimedOut:
      return Failure(hid::HidError::TimedOut, "read", "no input report within the timeout");
    case ReportQueue::Status::Report:
      break;
  }
  return CopyOut(taken.report, report, received);
}

hid::HidResult SimHidDevice::Write(std::span<const std::uint8_t> report) {
  if (device_->IsGone()) return Failure(hid::HidError::Gone, "write", kDeviceGone);
  const std::size_t length = device_->Identity().caps.OutputReportByteLength;
  if (report.size() != length) {
    // The device takes whole output reports only, as a Windows HID handle does, and refuses
    // others before taking any of them.
    return Failure(hid::HidError::NotSent, "write",
                   "report of " + std::to_string(report.size()) + " bytes, the device takes " +
                       std::to_string(length));
  }
  if (device_->Deliver(report) == SimulatedDevice::Delivery::Gone) {
    return Failure(hid::HidError::Gone, "write", kDeviceGone);
  }
  return {};
}

hid::HidResult SimHidDevice::CopyOut(const std::vector<std::uint8_t>& input,
                                     std::span<std::uint8_t> report, std::size_t& received) const {
  const std::size_t count = std::min(input.size(), report.size());
  std::copy_n(input.begin(), count, report.begin());
  received = count;
  if (input.size() > report.size()) {
    return Failure(hid::HidError::TooLong, "read",
                   "received " + std::to_string(input.size()) + " bytes, while maximum is " +
                       std::to_string(report.size()));
  }
  return {};
}

std::vector<std::uint8_t> SimHidDevice::NextChatter() {
  // Report k holds k mod 256 in every byte, so a torn copy shows two values.
  const auto value = static_cast<std::uint8_t>(chatterCount_.fetch_add(1));
  return std::vector<std::uint8_t>(device_->Identity().caps.InputReportByteLength, value);
}

hid::HidResult SimHidDevice::Failure(hid::HidError error, const char* call,
                                     const std::string& why) const {
  hid::HidResult result;
  result.error = error;
  result.message = std::string(call) + "(" + path_ + "): " + why;
  return result;
}

}  // namespace kr55le::sim
