#include "platform/win32/accessible_labels.h"

#include <versionhelpers.h>

#include "platform/win32/wide_text.h"
#include "res/controls.h"

namespace kr55le::win32 {

HWND AddHiddenLabel(HWND dialog, HWND control, std::string_view name) {
  if (dialog == nullptr || control == nullptr) return nullptr;
  HWND label =
      ::CreateWindowExW(0, L"STATIC", Widen(name).c_str(), WS_CHILD | SS_LEFT | SS_NOPREFIX, 0, 0,
                        0, 0, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatic)),
                        ::GetModuleHandleW(nullptr), nullptr);
  if (label == nullptr) return nullptr;
  // Placed after the control's predecessor, or first of all when it has none.
  HWND predecessor = ::GetWindow(control, GW_HWNDPREV);
  ::SetWindowPos(label, predecessor != nullptr ? predecessor : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return label;
}

void AnnounceNameChange(HWND control) {
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
  static const bool liveRegions = ::IsWindows8OrGreater();
  if (liveRegions) {
    ::NotifyWinEvent(kEventLiveRegionChanged, control, OBJID_CLIENT, CHILDID_SELF);
  }
}

}  // namespace kr55le::win32
