#include "cli/device_selection.h"

#include <utility>

namespace kr55le {

SelectedHidServices::SelectedHidServices(hid::HidServices& bus, std::string path)
    : bus_(bus), path_(std::move(path)) {}

std::vector<hid::HidInterface> SelectedHidServices::Enumerate() {
  std::vector<hid::HidInterface> interfaces = bus_.Enumerate();
  std::erase_if(interfaces, [this](const hid::HidInterface& interface) {
    return path_.empty() || !hid::SameInterfacePath(interface.path, path_);
  });
  return interfaces;
}

std::shared_ptr<hid::HidDevice> SelectedHidServices::Open(const std::string& path,
                                                          hid::HidResult& result) {
  return bus_.Open(path, result);
}

void SelectedHidServices::RegisterNotices(std::function<void(hid::DeviceChange)> sink) {
  bus_.RegisterNotices(std::move(sink));
}

int SelectedHidServices::NoticeDescriptor() const {
  return bus_.NoticeDescriptor();
}

void SelectedHidServices::DispatchNotices() {
  bus_.DispatchNotices();
}

}  // namespace kr55le
