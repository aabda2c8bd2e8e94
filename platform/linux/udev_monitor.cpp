#include "platform/linux/udev_monitor.h"

#include <libudev.h>

#include <cstring>

namespace kr55le {
namespace {

class UdevMonitor final : public HidrawMonitor {
 public:
  UdevMonitor(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
  ~UdevMonitor() override {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
  }
  UdevMonitor(const UdevMonitor&) = delete;
  UdevMonitor& operator=(const UdevMonitor&) = delete;

  int Descriptor() const override { return udev_monitor_get_fd(monitor_); }

  void Drain(const std::function<void(hid::DeviceChange)>& sink) override {
    // The monitor's socket is non-blocking: receiving ends when nothing is pending.
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      const std::optional<hid::DeviceChange> change =
          ChangeOfUdevAction(udev_device_get_action(device));
      udev_device_unref(device);
      if (change && sink) sink(*change);
    }
  }

 private:
  udev* const context_;
  udev_monitor* const monitor_;
};

}  // namespace

std::optional<hid::DeviceChange> ChangeOfUdevAction(const char* action) {
  if (action == nullptr) return std::nullopt;
  if (std::strcmp(action, kUdevActionAdd) == 0) return hid::DeviceChange::Arrival;
  if (std::strcmp(action, kUdevActionRemove) == 0) return hid::DeviceChange::Removal;
  return std::nullopt;
}

std::unique_ptr<HidrawMonitor> OpenUdevMonitor(const char* sourceName) {
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, sourceName);
  if (monitor == nullptr) {
    udev_unref(context);
    return nullptr;
  }
  auto owner = std::make_unique<UdevMonitor>(context, monitor);
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, kHidrawSubsystem, nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0 || owner->Descriptor() < 0) {
    return nullptr;
  }
  return owner;
}

}  // namespace kr55le
