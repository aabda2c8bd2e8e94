// --device: a view of the bus that holds one interface only, so that the dialog's scan, and
// every rescan on a hot-plug notice, runs exactly as with that one device attached.
#pragma once

#include <string>

#include "platform/hid/hid_services.h"

namespace kr55le {

class SelectedHidServices final : public hid::HidServices {
 public:
  // `path` is compared case-insensitively; the empty path selects nothing.
  SelectedHidServices(hid::HidServices& bus, std::string path);

  std::vector<hid::HidInterface> Enumerate() override;
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override;
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override;
  int NoticeDescriptor() const override;
  void DispatchNotices() override;

 private:
  hid::HidServices& bus_;
  std::string path_;
};

}  // namespace kr55le
