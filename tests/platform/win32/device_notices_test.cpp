// The notice window as the system drives it: WM_DEVICECHANGE messages sent to it, as Windows
// sends them for the registered interface class.
#include "platform/win32/device_notices.h"

// clang-format off: dbt.h needs the types of windows.h first.
#include <dbt.h>
#include "platform/win32/windows_headers.h"
// clang-format on

#include <gtest/gtest.h>

#include <vector>

namespace kr55le::win32 {
namespace {

void SendChange(HWND window, WPARAM event, const DEV_BROADCAST_HDR* data) {
  ::SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(data));
}

TEST(DeviceNoticesTest, InterfaceArrivalsAndRemovalsReachTheSinkAndNothingElseDoes) {
  std::vector<hid::DeviceChange> changes;
  HWND window = nullptr;
  {
    DeviceNotices notices([&changes](hid::DeviceChange change) { changes.push_back(change); });
    window = notices.Window();
    ASSERT_NE(window, nullptr);

    DEV_BROADCAST_DEVICEINTERFACE_A interfaceData{};
    interfaceData.dbcc_size = sizeof interfaceData;
    interfaceData.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    const auto* interfaceNotice = reinterpret_cast<const DEV_BROADCAST_HDR*>(&interfaceData);
    DEV_BROADCAST_HDR volumeNotice{sizeof volumeNotice, DBT_DEVTYP_VOLUME, 0};

    SendChange(window, DBT_DEVICEARRIVAL, interfaceNotice);
    SendChange(window, DBT_DEVICEREMOVECOMPLETE, interfaceNotice);
    SendChange(window, DBT_DEVICEQUERYREMOVE, interfaceNotice);  // not an arrival or removal
    SendChange(window, DBT_DEVICEARRIVAL, &volumeNotice);        // not an interface
    SendChange(window, DBT_DEVNODES_CHANGED, nullptr);           // no data at all
  }
  EXPECT_EQ(changes, (std::vector{hid::DeviceChange::Arrival, hid::DeviceChange::Removal}));
  EXPECT_FALSE(::IsWindow(window));  // gone with the notices
}

}  // namespace
}  // namespace kr55le::win32
