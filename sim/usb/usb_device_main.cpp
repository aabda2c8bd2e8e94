// kr55le-usb-device: simulated KR-55LE devices as full-speed USB HID devices behind QEMU's
// usb-redir, so that the guest's USB host controller and usbhid driver, with their 64-byte
// packets and 1 ms frames, lie between kr55le-flash and the device model.
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/payload_dump.h"
#include "sim/program/device_program.h"
#include "sim/sim_device_config.h"
#include "sim/tool_texts.h"
#include "sim/usb/listening_socket.h"
#include "sim/usb/redir_device.h"

namespace kr55le {
namespace {

constexpr char kDefaultSocket[] = "kr55le-usb-device.sock";
constexpr std::string_view kSocketOption = "--socket";
constexpr std::string_view kValueOptions[] = {kSocketOption};
// QEMU moves a control transfer's data through a buffer of this size, and GET_REPORT and
// SET_REPORT carry whole reports.
constexpr std::size_t kMaxReportBytes = 4096;

const device_program::Program kProgram{
    .usage = tool_text::kUsbDeviceUsage,
    .errorPrefix = tool_text::kUsbDeviceErrorPrefix,
    .valueOptions = kValueOptions,
    .keys = sim::TransportKeys::UsbLink,
    .maxReportBytes = kMaxReportBytes,
    .lengthFormat = tool_text::kUsbLengthFormat,
};

struct Device {
  std::unique_ptr<usb::ListeningSocket> socket;
  std::unique_ptr<usb::RedirDevice> link;
};

pollfd WatchOf(const Device& device) {
  if (!device.link->Connected()) return {device.socket->Descriptor(), POLLIN, 0};
  const short events = device.link->WantsToWrite() ? POLLIN | POLLOUT : POLLIN;
  return {device.link->Descriptor(), events, 0};
}

// One device's turn after a poll: a connection taken, or what arrived read and answered.
std::string ServeOne(Device& device, short events, usb::Clock::time_point now) {
  if ((events & POLLNVAL) != 0) return "poll: a descriptor is not open";
  if (!device.link->Connected()) {
    if ((events & POLLIN) == 0) return {};
    std::string error;
    const int connection = device.socket->Accept(error);
    if (connection >= 0) return device.link->Connect(connection);
    return error;
  }
  if ((events & (POLLIN | POLLHUP | POLLERR)) != 0) {
    if (std::string error = device.link->HandleReadable(now); !error.empty()) return error;
  }
  if ((events & POLLOUT) != 0) {
    if (std::string error = device.link->HandleWritable(); !error.empty()) return error;
  }
  return device.link->SendDue(now);
}

class UsbTransport final : public device_program::Transport {
 public:
  explicit UsbTransport(std::string socket) : socket_(std::move(socket)) {}

  std::string Start(const std::vector<sim::SimDeviceConfig>& configs) override {
    for (std::size_t index = 0; index < configs.size(); ++index) {
      const sim::SimDeviceConfig& config = configs[index];
      // Numbered rather than named by serial, so that QEMU's command line can name them ahead.
      const std::string own =
          configs.size() == 1 ? socket_ : sim::DumpPathOf(socket_, std::to_string(index + 1));
      Device device{std::make_unique<usb::ListeningSocket>(own),
                    std::make_unique<usb::RedirDevice>(config, usb::IdentityOf(config))};
      if (!device.socket->valid()) return device.socket->Error();
      devices_.push_back(std::move(device));
    }
    for (std::size_t index = 0; index < devices_.size(); ++index) {
      std::printf(std::string(tool_text::kUsbDeviceStartedFormat).c_str(),
                  sim::kSimulatedDescription, configs[index].serialNumber.c_str(),
                  devices_[index].socket->Path().c_str(), sim::kSimulatedVendorId,
                  sim::kSimulatedProductId);
    }
    return {};
  }

  void Watch(std::vector<pollfd>& watches,
             std::vector<std::optional<usb::Clock::time_point>>& dues) const override {
    for (const Device& device : devices_) {
      watches.push_back(WatchOf(device));
      dues.push_back(device.link->NextDue());
    }
  }

  std::string Handle(std::span<const pollfd> watches, usb::Clock::time_point now) override {
    for (std::size_t index = 0; index < devices_.size(); ++index) {
      if (std::string error = ServeOne(devices_[index], watches[index].revents, now);
          !error.empty()) {
        return error;
      }
    }
    return {};
  }

  std::vector<std::vector<std::uint8_t>> Payloads() const override {
    std::vector<std::vector<std::uint8_t>> payloads;
    for (const Device& device : devices_) payloads.push_back(device.link->Model().AssembledImage());
    return payloads;
  }

  std::vector<sim::DeviceCounters> Counters() const override {
    std::vector<sim::DeviceCounters> counters;
    for (const Device& device : devices_) counters.push_back(device.link->Model().Counters());
    return counters;
  }

 private:
  std::string socket_;
  std::vector<Device> devices_;
};

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  return kr55le::device_program::Main(
      kr55le::kProgram, argc, argv, [](const kr55le::device_program::Arguments& arguments) {
        const auto socket = arguments.values.find(kr55le::kSocketOption);
        return std::make_unique<kr55le::UsbTransport>(
            socket == arguments.values.end() ? kr55le::kDefaultSocket : socket->second);
      });
}
