// The HID backend of the page: the devices the user has granted this page through WebHID. Each
// interface path is "webhid-N#vid_vvvv&pid_pppp" (N the page's number for the device); report
// lengths come from the collections' report items plus the ID byte, as Windows counts them. A
// device is one tab's at a time (the page takes a Web Lock for it): another tab finds it in use.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_services.h"
#include "platform/web/page_bridge.h"

namespace kr55le::web {

// The path of a granted device.
std::string InterfacePathOf(const page::HidEntry& entry);

class WebHidServices final : public hid::HidServices {
 public:
  std::vector<hid::HidInterface> Enumerate() override;
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override;
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override;
  void DispatchNotices() override;

 private:
  std::vector<page::HidEntry> listed_;
  std::function<void(hid::DeviceChange)> sink_;
};

}  // namespace kr55le::web
