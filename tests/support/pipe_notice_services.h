// HID services whose hot-plug notices wait on a pipe, as the udev monitor's do on its socket:
// Signal() makes the descriptor readable, and dispatching it reports one arrival.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_services.h"

namespace kr55le::testing {

class PipeNoticeServices final : public hid::HidServices {
 public:
  PipeNoticeServices() { EXPECT_EQ(::pipe(ends_), 0); }
  ~PipeNoticeServices() override {
    ::close(ends_[0]);
    ::close(ends_[1]);
  }
  std::vector<hid::HidInterface> Enumerate() override { return {}; }
  std::shared_ptr<hid::HidDevice> Open(const std::string&, hid::HidResult& result) override {
    result.error = hid::HidError::NotFound;
    return nullptr;
  }
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override {
    sink_ = std::move(sink);
  }
  int NoticeDescriptor() const override { return ends_[0]; }
  void DispatchNotices() override {
    char notice = 0;
    if (::read(ends_[0], &notice, 1) == 1 && sink_) sink_(hid::DeviceChange::Arrival);
  }
  void Signal() { EXPECT_EQ(::write(ends_[1], "n", 1), 1); }

 private:
  int ends_[2] = {-1, -1};
  std::function<void(hid::DeviceChange)> sink_;
};

}  // namespace kr55le::testing
