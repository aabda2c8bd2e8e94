// One open hidraw node: attributes, capabilities, reads with a timeout, writes.
#pragma once

#include <linux/hidraw.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_services.h"
#include "platform/posix/file_descriptor.h"

namespace kr55le {

// The kernel's HID_MAX_BUFFER_SIZE: no hidraw report is longer.
inline constexpr std::size_t kMaxHidrawReportSize = 16384;
// The kernel's HID_MAX_DESCRIPTOR_SIZE.
inline constexpr std::size_t kMaxReportDescriptorSize = HID_MAX_DESCRIPTOR_SIZE;
// How long a write waits for a non-blocking descriptor to take a report.
inline constexpr std::chrono::milliseconds kWriteWait{1000};
// Write attempts (interrupted or not yet writable) before giving up.
inline constexpr int kMaxWriteAttempts = 4;

// hidraw gives vendor and product as signed 16-bit numbers.
hid::HidAttributes AttributesFromRawInfo(const hidraw_devinfo& info);

// Reads on one thread and writes on another may run at the same time; the only state they share
// is the atomic "gone" flag and the report numbering, fixed in the constructor. Once the device is
// gone every call fails at once with Gone.
class HidrawDevice final : public hid::HidDevice {
 public:
  // Owns `fileDescriptor` and closes it. `reportDescriptorFile` is the sysfs file to read the
  // report descriptor from (empty: ask the node). `nodeName` names the device in messages. Reads
  // the descriptor once to learn whether the device numbers its reports; when it cannot tell,
  // reports pass as the node gives them. `hold` keeps the node taken for this program.
  explicit HidrawDevice(int fileDescriptor, std::filesystem::path reportDescriptorFile = {},
                        std::string nodeName = "hidraw", std::shared_ptr<const void> hold = {});

  hid::HidResult GetAttributes(hid::HidAttributes& attributes) override;
  hid::HidResult GetCaps(hid::HidCaps& caps) override;
  hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                      std::chrono::milliseconds timeout) override;
  hid::HidResult Write(std::span<const std::uint8_t> report) override;

 private:
  // The sysfs file, or the node when there is none or it cannot be read.
  hid::HidResult ReadDescriptor(std::vector<std::uint8_t>& descriptor);
  hid::HidResult ReadDescriptorFromNode(std::vector<std::uint8_t>& descriptor);
  hid::HidResult WaitWritable();
  // The result of a failed call on the node; marks the device gone when the failure says so.
  hid::HidResult Failure(hid::HidError error, int systemError, const std::string& call);
  hid::HidResult GoneResult(const std::string& call) const;
  // "read(/dev/hidraw3)", "ioctl(/dev/hidraw3, HIDIOCGRAWINFO)"
  std::string Call(std::string_view function, std::string_view request = {}) const;

  const std::shared_ptr<const void> hold_;  // let go after the node's own file has closed
  const FileDescriptor file_;
  const std::filesystem::path reportDescriptorFile_;
  const std::string nodeName_;
  std::atomic<bool> gone_{false};
  // The report descriptor, read once when the device is opened: the caps come from it, and so
  // does whether reports carry their ID byte.
  std::vector<std::uint8_t> descriptor_;
  hid::HidResult descriptorResult_;
  // The device numbers no reports, so hidraw reads give them without the ID byte callers expect.
  bool unnumbered_ = false;
};

}  // namespace kr55le
