#include "platform/win32/hid_enumerate.h"

#include <setupapi.h>

#include "platform/win32/hid_headers.h"

#include <cstddef>
#include <memory>
#include <optional>

#include "platform/win32/wide_text.h"

namespace kr55le::win32 {
namespace {

// The records' size fields take the size of the record on the platform the program runs on
// (28 and 5 on 32-bit Windows; 32 and 8 on 64-bit).
constexpr DWORD kInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
constexpr DWORD kDetailDataSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
constexpr DWORD kDeviceInfoSize = sizeof(SP_DEVINFO_DATA);

class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  ~DeviceInfoSet() {
    if (Valid()) ::SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  bool Valid() const { return set_ != INVALID_HANDLE_VALUE; }
  HDEVINFO Get() const { return set_; }

 private:
  HDEVINFO set_;
};

// Wide: a description in the system's language may hold characters the ANSI code page lacks.
std::optional<std::string> ReadDescription(HDEVINFO set, SP_DEVINFO_DATA& device) {
  wchar_t description[kDescriptionCapacity] = {};
  if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICEDESC, nullptr,
                                           reinterpret_cast<BYTE*>(description), sizeof description,
                                           nullptr)) {
    return std::nullopt;
  }
  return Narrow(std::wstring_view(description, wcsnlen(description, kDescriptionCapacity)));
}

std::optional<hid::HidInterface> ReadInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
  DWORD required = 0;
  ::SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
  if (required < kDetailDataSize) return std::nullopt;
  // The detail record ends in the path; the system says how long the whole is.
  const auto storage = std::make_unique<std::max_align_t[]>(
      (required + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t));
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.get());
  detail->cbSize = kDetailDataSize;
  SP_DEVINFO_DATA device{};
  device.cbSize = kDeviceInfoSize;
  if (!::SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, &device)) {
    return std::nullopt;
  }
  const std::size_t pathCapacity =
      (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
  return hid::HidInterface{
      Narrow(std::wstring_view(detail->DevicePath, wcsnlen(detail->DevicePath, pathCapacity))),
      ReadDescription(set, device)};
}

}  // namespace

GUID HidInterfaceClass() {
  GUID hidClass{};
  ::HidD_GetHidGuid(&hidClass);
  return hidClass;
}

std::vector<hid::HidInterface> EnumerateHidInterfaces() {
  std::vector<hid::HidInterface> interfaces;
  GUID hidClass = HidInterfaceClass();
  const DeviceInfoSet set(
      ::SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!set.Valid()) return interfaces;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = kInterfaceDataSize;
    if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &hidClass, index, &data)) break;
    if (auto found = ReadInterface(set.Get(), data)) interfaces.push_back(std::move(*found));
  }
  return interfaces;
}

}  // namespace kr55le::win32
