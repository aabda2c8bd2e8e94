// One simulated KR-55LE behind one uhid file descriptor: the kernel's events in, the shared
// device model's replies out, each when the model says it is due. Single-threaded: the owner
// polls Descriptor() and calls HandleEvent and SendDue.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/file_descriptor.h"
#include "sim/device_model.h"
#include "sim/uhid/uhid_event.h"

namespace kr55le::uhid {

using Clock = std::chrono::steady_clock;

// Each call gives an empty text when it succeeded, else what failed ("write(uhid): ...").
class VirtualDevice {
 public:
  // Takes `descriptor` (an open /dev/uhid, or a socket in tests) and closes it when destroyed.
  VirtualDevice(int descriptor, sim::SimDeviceConfig config, UhidIdentity identity);

  int Descriptor() const { return file_.get(); }
  std::string Create();
  // Reads one event (the descriptor is readable) and answers it.
  std::string HandleEvent(Clock::time_point now);
  std::optional<Clock::time_point> NextDue() const;
  // Sends, in order, every reply due by `now`.
  std::string SendDue(Clock::time_point now);
  // Takes the device off the bus; later calls do nothing.
  std::string Destroy();
  bool Destroyed() const { return destroyed_; }
  const sim::DeviceModel& Model() const { return model_; }

 private:
  struct Pending {
    Clock::time_point due;
    std::vector<std::uint8_t> report;
  };
  std::string TakeOutput(const std::vector<std::uint8_t>& report, Clock::time_point now);
  std::string Write(const EventBytes& event);

  FileDescriptor file_;
  sim::DeviceModel model_;
  UhidIdentity identity_;
  std::deque<Pending> pending_;
  bool destroyed_ = false;
};

}  // namespace kr55le::uhid
