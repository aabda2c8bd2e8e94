#include "cli/device_selection.h"

#include <utility>

namespace kr55le {

SelectedHidServices::SelectedHidServices(hid::HidServices& bus, std::string path)
    : ForwardingHidServices(bus), path_(std::move(path)) {}

std::vector<hid::HidInterface> SelectedHidServices::Enumerate() {
  std::vector<hid::HidInterface> interfaces = Bus().Enumerate();
  std::erase_if(interfaces, [this](const hid::HidInterface& interface) {
    return path_.empty() || !hid::SameInterfacePath(interface.path, path_);
  });
  return interfaces;
}

}  // namespace kr55le
