// kr55le-virtual-device: simulated KR-55LE devices as real HID devices through /dev/uhid, so
// the hidraw backend, the window and kr55le-flash meet a kernel node without the hardware.
#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/file_descriptor.h"
#include "sim/program/device_program.h"
#include "sim/replay_script.h"
#include "sim/sim_device_config.h"
#include "sim/tool_texts.h"
#include "sim/uhid/virtual_device.h"

namespace kr55le {
namespace {

constexpr char kUhidNode[] = "/dev/uhid";
constexpr std::size_t kMessageCapacity = 512;

const device_program::Program kProgram{
    .usage = tool_text::kVirtualUsage,
    .errorPrefix = tool_text::kVirtualErrorPrefix,
    .valueOptions = {},
    .maxReportBytes = uhid::kMaxReportBytes,
    .lengthFormat = tool_text::kVirtualLengthFormat,
};

std::string OpenFailure(int error) {
  char message[kMessageCapacity];
  std::snprintf(message, sizeof message, std::string(tool_text::kUhidOpenFailedFormat).c_str(),
                kUhidNode, std::strerror(error), kUhidNode);
  return message;
}

// A replayed device shows the recorded one's description and IDs.
uhid::UhidIdentity IdentityOf(const sim::SimDeviceConfig& config) {
  if (config.replay) {
    const hid::HidAttributes& attributes = config.replay->attributes;
    return {config.replay->description.value_or(""), attributes.VendorID, attributes.ProductID,
            attributes.VersionNumber};
  }
  return {config.hasDescription ? sim::kSimulatedDescription : "", sim::kSimulatedVendorId,
          sim::kSimulatedProductId, sim::kSimulatedVersionNumber};
}

class UhidTransport final : public device_program::Transport {
 public:
  std::string Start(const std::vector<sim::SimDeviceConfig>& configs) override {
    for (const sim::SimDeviceConfig& config : configs) {
      const uhid::UhidIdentity identity = IdentityOf(config);
      const int descriptor = ::open(kUhidNode, O_RDWR | O_CLOEXEC);
      if (descriptor < 0) return OpenFailure(errno);
      devices_.push_back(std::make_unique<uhid::VirtualDevice>(descriptor, config, identity));
      if (std::string error = devices_.back()->Create(); !error.empty()) return error;
    }
    std::printf(std::string(tool_text::kVirtualStartedFormat).c_str(), devices_.size(),
                sim::kSimulatedDescription, kUhidNode, sim::kSimulatedVendorId,
                sim::kSimulatedProductId);
    return {};
  }

  void Watch(std::vector<pollfd>& watches,
             std::vector<std::optional<uhid::Clock::time_point>>& dues) const override {
    for (const auto& device : devices_) {
      watches.push_back({device->Descriptor(), POLLIN, 0});
      dues.push_back(device->NextDue());
    }
  }

  std::string Handle(std::span<const pollfd> watches, uhid::Clock::time_point now) override {
    for (std::size_t index = 0; index < devices_.size(); ++index) {
      uhid::VirtualDevice& device = *devices_[index];
      if ((watches[index].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        return "poll(uhid): the descriptor failed";
      }
      if ((watches[index].revents & POLLIN) != 0) {
        if (std::string error = device.HandleEvent(now); !error.empty()) return error;
      }
      if (std::string error = device.SendDue(now); !error.empty()) return error;
    }
    return {};
  }

  void Stop() override {
    for (const auto& device : devices_) device->Destroy();
  }

  std::vector<std::vector<std::uint8_t>> Payloads() const override {
    std::vector<std::vector<std::uint8_t>> payloads;
    for (const auto& device : devices_) payloads.push_back(device->Model().AssembledImage());
    return payloads;
  }

  std::vector<sim::DeviceCounters> Counters() const override {
    std::vector<sim::DeviceCounters> counters;
    for (const auto& device : devices_) counters.push_back(device->Model().Counters());
    return counters;
  }

 private:
  std::vector<std::unique_ptr<uhid::VirtualDevice>> devices_;
};

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  return kr55le::device_program::Main(kr55le::kProgram, argc, argv, [](const auto&) {
    return std::make_unique<kr55le::UhidTransport>();
  });
}
