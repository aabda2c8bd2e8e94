// kr55le-usb-device: simulated KR-55LE devices as full-speed USB HID devices behind QEMU's
// usb-redir, so that the guest's USB host controller and usbhid driver, with their 64-byte
// packets and 1 ms frames, lie between kr55le-flash and the device model.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/file_descriptor.h"
#include "platform/sim/bus_configs.h"
#include "platform/sim/payload_dump.h"
#include "platform/sim/sim_hid_services.h"
#include "platform/sim/sim_options.h"
#include "platform/usb/listening_socket.h"
#include "platform/usb/redir_device.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr char kDefaultSocket[] = "kr55le-usb-device.sock";
constexpr std::string_view kDumpOption = "--dump";
constexpr std::string_view kSocketOption = "--socket";
constexpr std::string_view kHelpOptions[] = {"--help", "-h"};
constexpr std::string_view kOptionPrefix = "-";
constexpr char kValueSeparator = '=';
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// QEMU moves a control transfer's data through a buffer of this size, and GET_REPORT and
// SET_REPORT carry whole reports.
constexpr std::size_t kMaxReportBytes = 4096;
// The longest a pass waits when no reply is due; the stop signal ends it at once anyway.
constexpr std::chrono::milliseconds kIdlePass{1000};
constexpr std::size_t kMessageCapacity = 512;

struct Arguments {
  std::string spec;
  std::optional<std::string> dump;
  std::string socket = kDefaultSocket;
  bool help = false;
};

void PrintError(const std::string& message) {
  std::fprintf(stderr, "%s%s\n", std::string(text::kUsbDeviceErrorPrefix).c_str(), message.c_str());
}

// The value of `--name VALUE` or `--name=VALUE` at `index`, which it moves past a separate value;
// nothing when the word is not that option. `missing` is set when the value is absent.
std::optional<std::string> OptionValue(const std::vector<std::string_view>& words,
                                       std::size_t& index, std::string_view name, bool& missing) {
  const std::string_view word = words[index];
  if (word == name) {
    if (index + 1 == words.size()) {
      missing = true;
      return std::string();
    }
    return std::string(words[++index]);
  }
  if (word.starts_with(name) && word.size() > name.size() && word[name.size()] == kValueSeparator) {
    return std::string(word.substr(name.size() + 1));
  }
  return std::nullopt;
}

// Empty when understood, else what is wrong.
std::string ParseArguments(const std::vector<std::string_view>& words, Arguments& arguments) {
  bool specSeen = false;
  for (std::size_t index = 0; index < words.size(); ++index) {
    const std::string_view word = words[index];
    bool missing = false;
    if (std::find(std::begin(kHelpOptions), std::end(kHelpOptions), word) !=
        std::end(kHelpOptions)) {
      arguments.help = true;
    } else if (auto dump = OptionValue(words, index, kDumpOption, missing)) {
      arguments.dump = std::move(*dump);
    } else if (auto socket = OptionValue(words, index, kSocketOption, missing)) {
      arguments.socket = std::move(*socket);
    } else if (word.starts_with(kOptionPrefix)) {
      return std::string(text::kUnknownOption) + "'" + std::string(word) + "'";
    } else if (specSeen) {
      return std::string(text::kUnexpectedArgument) + "'" + std::string(word) + "'";
    } else {
      arguments.spec = std::string(word);
      specSeen = true;
    }
    if (missing) return std::string(text::kMissingValue) + std::string(word);
  }
  return {};
}

// Empty when the USB link can play these devices, else why not.
std::string LinkRefusal(const std::vector<sim::SimDeviceConfig>& configs) {
  for (const sim::SimDeviceConfig& config : configs) {
    if (config.chatter) return std::string(text::kVirtualChatter);
    if (std::max(config.inputReportLength, config.outputReportLength) > kMaxReportBytes) {
      char message[kMessageCapacity];
      std::snprintf(message, sizeof message, std::string(text::kUsbLengthFormat).c_str(),
                    kMaxReportBytes);
      return message;
    }
  }
  return {};
}

struct Device {
  std::unique_ptr<usb::ListeningSocket> socket;
  std::unique_ptr<usb::RedirDevice> link;
};

// Empty when every device listens, else what failed.
std::string ListenAll(const std::string& path, const std::vector<sim::SimDeviceConfig>& configs,
                      std::vector<Device>& devices) {
  for (std::size_t index = 0; index < configs.size(); ++index) {
    const sim::SimDeviceConfig& config = configs[index];
    // Numbered rather than named by serial, so that QEMU's command line can name them ahead.
    const std::string own =
        configs.size() == 1 ? path : sim::DumpPathOf(path, std::to_string(index + 1));
    Device device{std::make_unique<usb::ListeningSocket>(own),
                  std::make_unique<usb::RedirDevice>(config, usb::IdentityOf(config))};
    if (!device.socket->valid()) return device.socket->Error();
    devices.push_back(std::move(device));
  }
  return {};
}

int PollTimeout(const std::vector<Device>& devices) {
  const usb::Clock::time_point now = usb::Clock::now();
  auto wait = kIdlePass;
  for (const Device& device : devices) {
    if (const auto due = device.link->NextDue()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
      wait = std::clamp(left, std::chrono::milliseconds{0}, wait);
    }
  }
  return static_cast<int>(wait.count());
}

pollfd WatchOf(const Device& device) {
  if (!device.link->Connected()) return {device.socket->Descriptor(), POLLIN, 0};
  const short events = device.link->WantsToWrite() ? POLLIN | POLLOUT : POLLIN;
  return {device.link->Descriptor(), events, 0};
}

// One device's turn after a poll: a connection taken, or what arrived read and answered.
std::string Serve(Device& device, short events, usb::Clock::time_point now) {
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

// Serves the devices until the stop signal arrives; empty then, else what failed.
std::string ServeAll(std::vector<Device>& devices, int stopDescriptor) {
  for (;;) {
    std::vector<pollfd> watches{{stopDescriptor, POLLIN, 0}};
    for (const Device& device : devices) watches.push_back(WatchOf(device));
    if (::poll(watches.data(), watches.size(), PollTimeout(devices)) < 0 && errno != EINTR) {
      return std::string("poll: ") + std::strerror(errno);
    }
    if ((watches[0].revents & POLLIN) != 0) return {};
    const usb::Clock::time_point now = usb::Clock::now();
    for (std::size_t index = 0; index < devices.size(); ++index) {
      if (std::string error = Serve(devices[index], watches[index + 1].revents, now);
          !error.empty()) {
        return error;
      }
    }
  }
}

// SIGINT and SIGTERM arrive through a descriptor that the serving loop polls.
int OpenStopDescriptor() {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  if (sigprocmask(SIG_BLOCK, &stops, nullptr) != 0) return -1;
  return ::signalfd(-1, &stops, SFD_CLOEXEC);
}

// False when a file could not be written.
bool WriteDumps(const std::string& path, const std::vector<sim::SimDeviceConfig>& configs,
                const std::vector<Device>& devices) {
  std::vector<sim::DeviceDump> dumps;
  for (std::size_t index = 0; index < devices.size(); ++index) {
    dumps.push_back({configs[index].serialNumber, devices[index].link->Model().AssembledImage()});
  }
  const std::vector<std::string> failed = sim::WritePayloadDumps(path, devices.size(), dumps);
  for (const std::string& file : failed) PrintError(std::string(text::kDumpWriteFailed) + file);
  return failed.empty();
}

int Run(const Arguments& arguments) {
  const sim::SimOptionsResult parsed =
      sim::ParseSimOptions(arguments.spec, {}, sim::TransportKeys::UsbLink);
  std::string refusal = parsed.error;
  const std::vector<sim::SimDeviceConfig> configs =
      parsed.ok() ? sim::LoadDeviceConfigs(parsed.options, refusal)
                  : std::vector<sim::SimDeviceConfig>();
  if (refusal.empty()) refusal = LinkRefusal(configs);
  if (!refusal.empty()) {
    PrintError(std::string(text::kVirtualSpecPrefix) + refusal);
    return kExitUsage;
  }
  const FileDescriptor stop(OpenStopDescriptor());
  if (!stop.valid()) {
    PrintError(std::string("signalfd: ") + std::strerror(errno));
    return kExitFailed;
  }
  std::vector<Device> devices;
  std::string error = ListenAll(arguments.socket, configs, devices);
  const bool listening = error.empty();
  if (listening) {
    for (std::size_t index = 0; index < devices.size(); ++index) {
      std::printf(std::string(text::kUsbDeviceStartedFormat).c_str(), sim::kSimulatedDescription,
                  configs[index].serialNumber.c_str(), devices[index].socket->Path().c_str(),
                  sim::kSimulatedVendorId, sim::kSimulatedProductId);
    }
    std::fflush(stdout);
    error = ServeAll(devices, stop.get());
  }
  int status = kExitDone;
  if (!error.empty()) {
    PrintError(error);
    status = kExitFailed;
  }
  if (listening && arguments.dump && !WriteDumps(*arguments.dump, configs, devices)) {
    status = kExitFailed;
  }
  return status;
}

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  kr55le::Arguments arguments;
  if (const std::string error = kr55le::ParseArguments(words, arguments); !error.empty()) {
    kr55le::PrintError(error);
    std::fputs(std::string(kr55le::text::kUsbDeviceUsage).c_str(), stderr);
    return kr55le::kExitUsage;
  }
  if (arguments.help) {
    std::fputs(std::string(kr55le::text::kUsbDeviceUsage).c_str(), stdout);
    return kr55le::kExitDone;
  }
  return kr55le::Run(arguments);
}
