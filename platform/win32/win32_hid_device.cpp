#include "platform/win32/win32_hid_device.h"

#include "platform/win32/hid_headers.h"

#include <algorithm>

#include "platform/win32/win32_errors.h"

namespace kr55le::win32 {

hid::HidResult QueryCaps(HANDLE device, const std::string& path, hid::HidCaps& caps) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!::HidD_GetPreparsedData(device, &preparsed)) {
    return FailedCall("HidD_GetPreparsedData", path, ::GetLastError(), FailedOn::OpenHandle);
  }
  HIDP_CAPS platformCaps{};
  const NTSTATUS status = ::HidP_GetCaps(preparsed, &platformCaps);
  ::HidD_FreePreparsedData(preparsed);
  if (status != HIDP_STATUS_SUCCESS) {
    return {hid::HidError::Io, static_cast<int>(status), "HidP_GetCaps(" + path + ") failed"};
  }
  caps.InputReportByteLength = platformCaps.InputReportByteLength;
  caps.OutputReportByteLength = platformCaps.OutputReportByteLength;
  caps.FeatureReportByteLength = platformCaps.FeatureReportByteLength;
  return {};
}

Win32HidDevice::Win32HidDevice(UniqueHandle device, std::string path, const hid::HidCaps& caps,
                               std::unique_ptr<DeviceHold> hold)
    : hold_(std::move(hold)),
      device_(std::move(device)),
      path_(std::move(path)),
      read_(TransferKind::Read, caps.InputReportByteLength),
      write_(TransferKind::Write, caps.OutputReportByteLength) {}

Win32HidDevice::~Win32HidDevice() {
  // Closing cancels whatever is still pending, before the transfers wait for it to end.
  device_.Reset();
}

hid::HidResult Win32HidDevice::GetAttributes(hid::HidAttributes& attributes) {
  if (gone_.load(std::memory_order_acquire)) return GoneResult("HidD_GetAttributes");
  HIDD_ATTRIBUTES platformAttributes{};
  platformAttributes.Size = sizeof platformAttributes;
  if (!::HidD_GetAttributes(device_.Get(), &platformAttributes)) {
    return FailedCall("HidD_GetAttributes", path_, ::GetLastError(), FailedOn::OpenHandle);
  }
  attributes.VendorID = platformAttributes.VendorID;
  attributes.ProductID = platformAttributes.ProductID;
  attributes.VersionNumber = platformAttributes.VersionNumber;
  return {};
}

hid::HidResult Win32HidDevice::GetCaps(hid::HidCaps& caps) {
  if (gone_.load(std::memory_order_acquire)) return GoneResult("HidP_GetCaps");
  return QueryCaps(device_.Get(), path_, caps);
}

hid::HidResult Win32HidDevice::Read(std::span<std::uint8_t> report, std::size_t& received,
                                    std::chrono::milliseconds timeout) {
  received = 0;
  if (gone_.load(std::memory_order_acquire)) return GoneResult("ReadFile");
  if (read_.Size() == 0) return {hid::HidError::Io, 0, Message("ReadFile", "no input")};
  const TransferResult result = read_.Run(device_.Get(), timeout);
  if (result.outcome != TransferOutcome::Done) return Outcome(result, "ReadFile");
  if (result.transferred > report.size()) {
    return {hid::HidError::TooLong, 0, Message("ReadFile", "report longer than the buffer")};
  }
  std::copy_n(read_.Buffer().begin(), result.transferred, report.begin());
  received = result.transferred;
  return {};
}

hid::HidResult Win32HidDevice::Write(std::span<const std::uint8_t> report) {
  if (gone_.load(std::memory_order_acquire)) return GoneResult("WriteFile");
  if (report.size() > write_.Size()) {
    return {hid::HidError::TooLong, 0, Message("WriteFile", "report longer than the device's")};
  }
  // The transfer copies the report (padded with zeros to the device's length) only once no
  // earlier write holds its buffer; while one does, this write fails and sends nothing. One the
  // system has queued may have sent part of the report, however it ends (a stuck, cancelled or
  // failed write): only one refused before that is NotSent.
  const TransferResult result = write_.Run(device_.Get(), kWriteWait, report);
  return Outcome(result, "WriteFile", result.queued ? FailedOn::OpenHandle : FailedOn::WriteStart);
}

hid::HidResult Win32HidDevice::Outcome(const TransferResult& result, std::string_view call,
                                       FailedOn on) {
  switch (result.outcome) {
    case TransferOutcome::Done:
      return {};
    case TransferOutcome::TimedOut:
      return {hid::HidError::TimedOut, 0, Message(call, "timed out")};
    case TransferOutcome::Stuck:
      // Not queued, this transfer was never started: an earlier one holds the buffer.
      return {on == FailedOn::WriteStart ? hid::HidError::NotSent : hid::HidError::Io,
              static_cast<int>(result.error), Message(call, "a cancelled transfer has not ended")};
    case TransferOutcome::Failed:
      break;
  }
  hid::HidResult failure = FailedCall(call, path_, result.error, on);
  if (failure.error == hid::HidError::Gone) gone_.store(true, std::memory_order_release);
  return failure;
}

hid::HidResult Win32HidDevice::GoneResult(std::string_view call) const {
  return {hid::HidError::Gone, ERROR_DEVICE_NOT_CONNECTED, Message(call, "the device has gone")};
}

std::string Win32HidDevice::Message(std::string_view call, std::string_view what) const {
  return CallMessage(call, path_, what);
}

}  // namespace kr55le::win32
