// HID services that pass every call on to another bus's: the base of the views and wrappers
// that change one or two calls and leave the rest as the bus has them.
#pragma once

#include <utility>

#include "hid/hid_services.h"

namespace kr55le::hid {

class ForwardingHidServices : public HidServices {
 public:
  explicit ForwardingHidServices(HidServices& bus) : bus_(bus) {}

  std::vector<HidInterface> Enumerate() override { return bus_.Enumerate(); }
  std::shared_ptr<HidDevice> Open(const std::string& path, HidResult& result) override {
    return bus_.Open(path, result);
  }
  void RegisterNotices(std::function<void(DeviceChange)> sink) override {
    bus_.RegisterNotices(std::move(sink));
  }
  int NoticeDescriptor() const override { return bus_.NoticeDescriptor(); }
  void DispatchNotices() override { bus_.DispatchNotices(); }

 protected:
  HidServices& Bus() const { return bus_; }

 private:
  HidServices& bus_;
};

}  // namespace kr55le::hid
