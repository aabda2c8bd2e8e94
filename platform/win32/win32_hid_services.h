// The HID services on Windows: interfaces from the device setup library, devices opened
// overlapped and held for this program (a named mutex per interface, see device_hold.h), arrival
// and removal through device-interface notifications.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/hid_services.h"
#include "platform/win32/device_hold.h"

namespace kr55le::win32 {

class DeviceNotices;

class Win32HidServices final : public hid::HidServices {
 public:
  Win32HidServices();
  ~Win32HidServices() override;

  std::vector<hid::HidInterface> Enumerate() override;
  // Opens the enumerated path that matches `path` case-insensitively (or `path` itself when
  // none does), for reading and writing. The interface's hold is taken first (InUse, and no
  // CreateFile, while another program has it) and kept while any device object opened here on
  // it lives. The handle itself is shared: another program's enumeration still opens the
  // interface to read its names and capabilities.
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override;

  // Call on the thread whose messages are pumped (the dialog's): the notices arrive there, as
  // window messages, and go to the sink from its pump. A null sink stops them; so call it with
  // null on the same thread before the services go.
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override;

 private:
  std::string EnumeratedSpelling(const std::string& path);

  HoldRegistry holds_;
  std::mutex pathsMutex_;
  std::vector<std::string> paths_;  // the last enumeration, under pathsMutex_
  std::unique_ptr<DeviceNotices> notices_;
};

}  // namespace kr55le::win32
