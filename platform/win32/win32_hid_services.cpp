#include "platform/win32/win32_hid_services.h"

#include "platform/win32/windows_headers.h"

#include <algorithm>

#include "platform/win32/device_notices.h"
#include "platform/win32/hid_enumerate.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_errors.h"
#include "platform/win32/win32_hid_device.h"

namespace kr55le::win32 {

Win32HidServices::Win32HidServices() = default;
Win32HidServices::~Win32HidServices() = default;

std::vector<hid::HidInterface> Win32HidServices::Enumerate() {
  std::vector<hid::HidInterface> interfaces = EnumerateHidInterfaces();
  std::lock_guard lock(pathsMutex_);
  paths_.clear();
  for (const hid::HidInterface& found : interfaces) paths_.push_back(found.path);
  return interfaces;
}

std::string Win32HidServices::EnumeratedSpelling(const std::string& path) {
  std::lock_guard lock(pathsMutex_);
  const auto match = std::find_if(paths_.begin(), paths_.end(), [&path](const std::string& known) {
    return hid::SameInterfacePath(known, path);
  });
  return match != paths_.end() ? *match : path;
}

std::shared_ptr<hid::HidDevice> Win32HidServices::Open(const std::string& path,
                                                       hid::HidResult& result) {
  const std::string spelling = EnumeratedSpelling(path);
  // The hold comes first: while another program has the device, nothing of this one reaches it.
  std::unique_ptr<DeviceHold> hold = holds_.Take(spelling, result);
  if (!hold) return nullptr;
  UniqueHandle device(::CreateFileW(Widen(spelling).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
  if (!device.Valid()) {
    result = FailedCall("CreateFile", spelling, ::GetLastError(), FailedOn::Path);
    return nullptr;
  }
  // Without capabilities the device opens all the same; its lengths are then 0, which the
  // dialog takes for a device it cannot use.
  hid::HidCaps caps;
  QueryCaps(device.Get(), spelling, caps);
  result = {};
  return std::make_shared<Win32HidDevice>(std::move(device), spelling, caps, std::move(hold));
}

void Win32HidServices::RegisterNotices(std::function<void(hid::DeviceChange)> sink) {
  notices_.reset();
  if (sink) notices_ = std::make_unique<DeviceNotices>(std::move(sink));
}

}  // namespace kr55le::win32
