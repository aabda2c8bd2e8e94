// Names for screen readers. The platform's accessibility support names a field after the nearest
// static before it in the Z order; a field whose caption does not stand there in the template's
// order (or that has no caption) gets a hidden static with its name just before it.
#pragma once

#include "platform/win32/windows_headers.h"

#include <string_view>

namespace kr55le::win32 {

// EVENT_OBJECT_LIVEREGIONCHANGED, which the headers give only to builds for Windows 8 and later.
inline constexpr DWORD kEventLiveRegionChanged = 0x8019;

// A static that never shows, with `name` as its text, put just before `control` among the
// dialog's children. Null when it cannot be created.
HWND AddHiddenLabel(HWND dialog, HWND control, std::string_view name);

// The events screen readers follow for a control whose name has changed: the name change itself
// and, where the system has live regions (Windows 8 and later), the live region's.
void AnnounceNameChange(HWND control);

}  // namespace kr55le::win32
