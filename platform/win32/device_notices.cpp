#include "platform/win32/device_notices.h"

// clang-format off: dbt.h needs the types of windows.h first.
#include <dbt.h>
#include "platform/win32/windows_headers.h"
// clang-format on

#include "platform/win32/hid_enumerate.h"

namespace kr55le::win32 {
namespace {

constexpr char kWindowClass[] = "kr55le-hid-notices";

ATOM RegisterWindowClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassExA(&windowClass);
  }();
  return atom;
}

}  // namespace

DeviceNotices::DeviceNotices(std::function<void(hid::DeviceChange)> sink) : sink_(std::move(sink)) {
  if (RegisterWindowClass(WindowProcedure) == 0) return;
  window_ = ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
  if (window_ == nullptr) return;
  ::SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = HidInterfaceClass();
  registration_ = ::RegisterDeviceNotificationA(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

DeviceNotices::~DeviceNotices() {
  if (registration_ != nullptr) ::UnregisterDeviceNotification(registration_);
  if (window_ != nullptr) ::DestroyWindow(window_);
}

LRESULT CALLBACK DeviceNotices::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message != WM_DEVICECHANGE) return ::DefWindowProcA(window, message, wParam, lParam);
  auto* self = reinterpret_cast<DeviceNotices*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  // Other events carry other data, or none: only these two are looked into.
  const bool arrival = wParam == DBT_DEVICEARRIVAL;
  if (self != nullptr && (arrival || wParam == DBT_DEVICEREMOVECOMPLETE) && header != nullptr &&
      header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE && self->sink_) {
    self->sink_(arrival ? hid::DeviceChange::Arrival : hid::DeviceChange::Removal);
  }
  return TRUE;
}

}  // namespace kr55le::win32
