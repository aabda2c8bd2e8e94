// The HID services the dialog and the report link use. Backends: platform/linux (hidraw),
// sim (the simulated KR-55LE), platform/win32. Nothing above platform/ knows which one
// runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kr55le::hid {

// Byte 0 of every input and output report that passes through HidDevice::Read and Write is its
// report ID, kNoReportId when the device numbers no reports. That is how the Windows HID library
// hands reports over; a backend whose platform differs adds or drops the byte itself, so the
// layers above never ask which device they talk to.
inline constexpr std::uint8_t kNoReportId = 0;
inline constexpr std::size_t kReportIdSize = 1;

// A small set of failure classes; the caller turns them into what the user reads.
enum class HidError {
  None,
  NotFound,          // no such path, or the device has gone before it was opened
  PermissionDenied,  // the node exists but may not be opened (EACCES/EPERM)
  InUse,             // another program has taken the device (see HidServices::Open)
  Gone,              // removed while open (EIO, ENODEV, ESHUTDOWN, POLLHUP/POLLERR)
  TimedOut,          // no report within the timeout
  TooLong,           // a report that does not fit the buffer
  Io,                // any other failure of the platform call (a stall: EPIPE)
  // A write refused before any byte of the report left for the device, so that sending it
  // again cannot make the device take it twice. Only where the failure proves that: a write
  // that may have moved some of it (a stall, a time-out) is Io or TimedOut.
  NotSent,
};

struct HidResult {
  HidError error = HidError::None;
  int systemError = 0;  // errno or the platform's error code, 0 when none
  std::string message;  // names the failing call, e.g. "open(/dev/hidraw3): Permission denied"
  bool ok() const { return error == HidError::None; }
};

struct HidAttributes {
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  std::uint16_t VersionNumber = 0;

  bool operator==(const HidAttributes&) const = default;
};

// Report lengths in bytes, the report ID byte included, as the platform's HID capabilities give
// them (the largest report of each type).
struct HidCaps {
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;

  bool operator==(const HidCaps&) const = default;
};

struct HidInterface {
  std::string path;  // as the platform gives it; Linux: /dev/hidrawN#vid_vvvv&pid_pppp
  std::optional<std::string> description;  // nothing when it cannot be read

  bool operator==(const HidInterface&) const = default;
};

// Whether two interface paths name the same interface: ASCII case aside, as Open compares them
// (the dialog keeps its paths upper-cased).
inline bool SameInterfacePath(std::string_view left, std::string_view right) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return std::equal(left.begin(), left.end(), right.begin(), right.end(),
                    [&lower](char a, char b) { return lower(a) == lower(b); });
}

class HidDevice {
 public:
  virtual ~HidDevice() = default;

  virtual HidResult GetAttributes(HidAttributes& attributes) = 0;
  virtual HidResult GetCaps(HidCaps& caps) = 0;

  // Waits up to `timeout` for one input report and copies it (report ID first, see kNoReportId)
  // into `report`. `received` is the number of bytes copied, the ID byte included; TooLong, with
  // nothing copied, when they do not fit. TimedOut when nothing arrived; Gone once the device has
  // been removed (then it fails at once, every time, without waiting).
  virtual HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                         std::chrono::milliseconds timeout) = 0;
  // Sends one output report (report ID first, see kNoReportId); returns when the platform has
  // taken it. NotSent only when the report went nowhere (see HidError).
  virtual HidResult Write(std::span<const std::uint8_t> report) = 0;
};

enum class DeviceChange { Arrival, Removal };

class HidServices {
 public:
  virtual ~HidServices() = default;

  // Every HID interface present now.
  virtual std::vector<HidInterface> Enumerate() = 0;
  // Opens an interface path (compared case-insensitively with the last enumeration) for reading
  // and writing. Null with `result` saying why when it cannot.
  //
  // One services object stands for one program. The device is taken for it while any device
  // object it opened on that interface lives: every input report reaches every open handle, so
  // another program's request and its reply would land in a running exchange. Another
  // program's Open then fails with InUse, and nothing reaches the device. The same object's
  // further Opens of that interface share its hold (a rescan opens the device again before the
  // reader has let go of the old one).
  virtual std::shared_ptr<HidDevice> Open(const std::string& path, HidResult& result) = 0;

  // Arrival and removal notices of any HID interface. The sink may be called from any thread
  // (hosts queue the notice for the dialog thread); at most one sink is registered.
  virtual void RegisterNotices(std::function<void(DeviceChange)> sink) = 0;
  // A file descriptor that becomes readable when notices are pending, or -1 when the backend
  // delivers them on its own. A host that watches it calls DispatchNotices when it is readable.
  virtual int NoticeDescriptor() const { return -1; }
  // Reads whatever notices are pending (without blocking) and passes each to the sink.
  virtual void DispatchNotices() {}
};

}  // namespace kr55le::hid
