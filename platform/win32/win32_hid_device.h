// One open HID interface: attributes and capabilities from the HID class library, reads with a
// timeout and writes as overlapped transfers.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "hid/hid_services.h"
#include "platform/win32/device_hold.h"
#include "platform/win32/overlapped_transfer.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_errors.h"

namespace kr55le::win32 {

// How long a write may take before it is cancelled.
inline constexpr std::chrono::milliseconds kWriteWait{1000};

// Queries the capabilities of an open HID interface (preparsed data, then HidP_GetCaps).
hid::HidResult QueryCaps(HANDLE device, const std::string& path, hid::HidCaps& caps);

// A read on one thread and a write on another may run at once: each has its own transfer, and
// the only state they share is the atomic "gone" flag. Once the device is gone every call fails
// at once with Gone.
class Win32HidDevice final : public hid::HidDevice {
 public:
  // Owns `device`, opened for overlapped I/O; `caps` gives the length of its transfers. `hold`
  // is its share of the program's hold on the interface (see HoldRegistry), let go of when the
  // device object goes, after its handle is closed and its transfers have ended.
  Win32HidDevice(UniqueHandle device, std::string path, const hid::HidCaps& caps,
                 std::unique_ptr<DeviceHold> hold = nullptr);
  ~Win32HidDevice() override;

  hid::HidResult GetAttributes(hid::HidAttributes& attributes) override;
  hid::HidResult GetCaps(hid::HidCaps& caps) override;
  hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                      std::chrono::milliseconds timeout) override;
  hid::HidResult Write(std::span<const std::uint8_t> report) override;

 private:
  hid::HidResult Outcome(const TransferResult& result, std::string_view call,
                         FailedOn on = FailedOn::OpenHandle);
  hid::HidResult GoneResult(std::string_view call) const;
  std::string Message(std::string_view call, std::string_view what) const;

  // First, so that it goes last: the device is the program's until its handle has been closed.
  std::unique_ptr<DeviceHold> hold_;
  UniqueHandle device_;
  const std::string path_;
  // The system takes exactly the report length, ID byte included, for each transfer.
  OverlappedTransfer read_;
  OverlappedTransfer write_;
  std::atomic<bool> gone_{false};
};

}  // namespace kr55le::win32
