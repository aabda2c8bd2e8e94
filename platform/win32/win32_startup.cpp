#include "platform/win32/win32_startup.h"

// winsock2.h goes before windows.h, which would otherwise bring the old winsock.h.
#include <winsock2.h>

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {
namespace {

constexpr LONG kMarkerInitialCount = 0;
constexpr LONG kMarkerMaximumCount = 1;
constexpr BYTE kSocketsMajorVersion = 2;
constexpr BYTE kSocketsMinorVersion = 2;

}  // namespace

Win32StartupServices::Win32StartupServices(std::string_view instanceName)
    : instanceName_(instanceName) {}

Win32StartupServices::~Win32StartupServices() {
  if (socketsStarted_) ::WSACleanup();
}

void Win32StartupServices::BeginWaitCursor() {
  ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
}

InstanceMarker Win32StartupServices::CreateInstanceMarker(std::string_view) {
  UniqueHandle marker(
      ::CreateSemaphoreA(nullptr, kMarkerInitialCount, kMarkerMaximumCount, instanceName_.c_str()));
  // A marker that cannot be made lets this instance run as the first.
  if (marker.Valid() && ::GetLastError() == ERROR_ALREADY_EXISTS)
    return InstanceMarker::OtherRunning;
  marker_ = std::move(marker);
  return InstanceMarker::First;
}

void Win32StartupServices::ShowWindowNamed(std::string_view windowName) {
  HWND window = ::FindWindowA(nullptr, std::string(windowName).c_str());
  if (window == nullptr) return;
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::SetFocus(window);
}

bool Win32StartupServices::InitSockets() {
  if (socketsStarted_) return true;
  WSADATA data{};
  socketsStarted_ = ::WSAStartup(MAKEWORD(kSocketsMajorVersion, kSocketsMinorVersion), &data) == 0;
  return socketsStarted_;
}

}  // namespace kr55le::win32
