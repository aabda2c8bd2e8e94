// Prints what the hidraw backend makes of every hidraw node the kernel lists: its interface
// path, its description and its capabilities, once from sysfs and once from the node's ioctl,
// so the VM tests can compare both with the descriptor the virtual device gave the kernel.
#include <fcntl.h>

#include <cstdio>

#include "platform/linux/hidraw_device.h"
#include "platform/linux/hidraw_enumerate.h"
#include "platform/linux/hidraw_services.h"

namespace {

void PrintCaps(const char* source, kr55le::hid::HidDevice& device) {
  kr55le::hid::HidCaps caps;
  const kr55le::hid::HidResult result = device.GetCaps(caps);
  if (!result.ok()) {
    std::printf("%s: %s\n", source, result.message.c_str());
    return;
  }
  std::printf("%s: input %u output %u feature %u\n", source, caps.InputReportByteLength,
              caps.OutputReportByteLength, caps.FeatureReportByteLength);
}

}  // namespace

int main() {
  for (const kr55le::HidrawEntry& entry :
       kr55le::EnumerateHidraw(kr55le::kDefaultSysfsRoot, kr55le::kDefaultDeviceFolder)) {
    std::printf("path: %s\ndescription: %s\n", entry.interface.path.c_str(),
                entry.interface.description.value_or("").c_str());
    const std::string node = entry.node.string();
    for (const bool fromSysfs : {true, false}) {
      const int descriptor = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (descriptor < 0) {
        std::perror(node.c_str());
        return 1;
      }
      kr55le::HidrawDevice device(descriptor, fromSysfs ? entry.reportDescriptor : "", node);
      PrintCaps(fromSysfs ? "sysfs" : "ioctl", device);
    }
  }
  return 0;
}
