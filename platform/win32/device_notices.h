// Arrival and removal of HID interfaces: a message-only window registered for the HID
// device-interface class, which turns each WM_DEVICECHANGE it is sent into a notice for a sink.
#pragma once

#include "platform/win32/windows_headers.h"

#include <functional>

#include "hid/hid_services.h"

namespace kr55le::win32 {

class DeviceNotices {
 public:
  // Creates the window on the calling thread, whose message loop (or PumpMessages) then
  // delivers the notices to `sink` on that thread. Nothing is delivered when the window or the
  // registration cannot be made.
  explicit DeviceNotices(std::function<void(hid::DeviceChange)> sink);
  // On the same thread.
  ~DeviceNotices();
  DeviceNotices(const DeviceNotices&) = delete;
  DeviceNotices& operator=(const DeviceNotices&) = delete;

  // The message-only window the system sends the notices to; null when it could not be made.
  HWND Window() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::function<void(hid::DeviceChange)> sink_;
  HWND window_ = nullptr;
  HDEVNOTIFY registration_ = nullptr;
};

}  // namespace kr55le::win32
