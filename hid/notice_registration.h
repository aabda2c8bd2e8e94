// A notice sink registered for the object's life: whatever the sink uses must outlive it, and
// a registration that ends with its owner cannot be taken back too late.
#pragma once

#include <functional>
#include <utility>

#include "hid/hid_services.h"

namespace kr55le::hid {

class NoticeRegistration {
 public:
  NoticeRegistration(HidServices& services, std::function<void(DeviceChange)> sink)
      : services_(services) {
    services_.RegisterNotices(std::move(sink));
  }
  // Backends return from this only once a notice being delivered has been.
  ~NoticeRegistration() { services_.RegisterNotices(nullptr); }
  NoticeRegistration(const NoticeRegistration&) = delete;
  NoticeRegistration& operator=(const NoticeRegistration&) = delete;

 private:
  HidServices& services_;
};

}  // namespace kr55le::hid
