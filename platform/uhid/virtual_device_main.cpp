// kr55le-virtual-device: simulated KR-55LE devices as real HID devices through /dev/uhid, so
// the hidraw backend, the window and kr55le-flash meet a kernel node without the hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <algorithm>
#include <cerrno>
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
#include "platform/sim/replay_script.h"
#include "platform/sim/sim_hid_services.h"
#include "platform/sim/sim_options.h"
#include "platform/uhid/virtual_device.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr char kUhidNode[] = "/dev/uhid";
constexpr std::string_view kDumpOption = "--dump";
constexpr std::string_view kDumpOptionWithValue = "--dump=";
constexpr std::string_view kHelpOptions[] = {"--help", "-h"};
constexpr std::string_view kOptionPrefix = "-";
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// The longest a pass waits when no reply is due; the stop signal ends it at once anyway.
constexpr std::chrono::milliseconds kIdlePass{1000};
constexpr std::size_t kMessageCapacity = 512;

struct Arguments {
  std::string spec;
  std::optional<std::string> dump;
  bool help = false;
};

void PrintError(const std::string& message) {
  std::fprintf(stderr, "%s%s\n", std::string(text::kVirtualErrorPrefix).c_str(), message.c_str());
}

// Empty when understood, else what is wrong.
std::string ParseArguments(const std::vector<std::string_view>& words, Arguments& arguments) {
  bool specSeen = false;
  for (std::size_t index = 0; index < words.size(); ++index) {
    const std::string_view word = words[index];
    if (std::find(std::begin(kHelpOptions), std::end(kHelpOptions), word) !=
        std::end(kHelpOptions)) {
      arguments.help = true;
    } else if (word == kDumpOption) {
      if (index + 1 == words.size()) return std::string(text::kMissingValue) + std::string(word);
      arguments.dump = std::string(words[++index]);
    } else if (word.starts_with(kDumpOptionWithValue)) {
      arguments.dump = std::string(word.substr(kDumpOptionWithValue.size()));
    } else if (word.starts_with(kOptionPrefix)) {
      return std::string(text::kUnknownOption) + "'" + std::string(word) + "'";
    } else if (specSeen) {
      return std::string(text::kUnexpectedArgument) + "'" + std::string(word) + "'";
    } else {
      arguments.spec = std::string(word);
      specSeen = true;
    }
  }
  return {};
}

// Empty when the kernel can play these devices, else why not.
std::string KernelRefusal(const std::vector<sim::SimDeviceConfig>& configs) {
  for (const sim::SimDeviceConfig& config : configs) {
    if (config.chatter) return std::string(text::kVirtualChatter);
    if (std::max(config.inputReportLength, config.outputReportLength) > uhid::kMaxReportBytes) {
      char message[kMessageCapacity];
      std::snprintf(message, sizeof message, std::string(text::kVirtualLengthFormat).c_str(),
                    uhid::kMaxReportBytes);
      return message;
    }
  }
  return {};
}

std::string OpenFailure(int error) {
  char message[kMessageCapacity];
  std::snprintf(message, sizeof message, std::string(text::kUhidOpenFailedFormat).c_str(),
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

// Empty when every device was created, else what failed.
std::string CreateDevices(const std::vector<sim::SimDeviceConfig>& configs,
                          std::vector<std::unique_ptr<uhid::VirtualDevice>>& devices) {
  for (const sim::SimDeviceConfig& config : configs) {
    const uhid::UhidIdentity identity = IdentityOf(config);
    const int descriptor = ::open(kUhidNode, O_RDWR | O_CLOEXEC);
    if (descriptor < 0) return OpenFailure(errno);
    devices.push_back(std::make_unique<uhid::VirtualDevice>(descriptor, config, identity));
    if (std::string error = devices.back()->Create(); !error.empty()) return error;
  }
  return {};
}

// False when a file could not be written.
bool WriteDumps(const std::string& path, const std::vector<sim::SimDeviceConfig>& configs,
                const std::vector<std::unique_ptr<uhid::VirtualDevice>>& devices) {
  std::vector<sim::DeviceDump> dumps;
  for (std::size_t index = 0; index < devices.size(); ++index) {
    dumps.push_back({configs[index].serialNumber, devices[index]->Model().AssembledImage()});
  }
  const std::vector<std::string> failed = sim::WritePayloadDumps(path, devices.size(), dumps);
  for (const std::string& file : failed) PrintError(std::string(text::kDumpWriteFailed) + file);
  return failed.empty();
}

int PollTimeout(const std::vector<std::unique_ptr<uhid::VirtualDevice>>& devices) {
  const uhid::Clock::time_point now = uhid::Clock::now();
  auto wait = kIdlePass;
  for (const auto& device : devices) {
    if (const auto due = device->NextDue()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
      wait = std::clamp(left, std::chrono::milliseconds{0}, wait);
    }
  }
  return static_cast<int>(wait.count());
}

// Serves the devices until the stop signal arrives; empty then, else what failed.
std::string Serve(std::vector<std::unique_ptr<uhid::VirtualDevice>>& devices, int stopDescriptor) {
  for (;;) {
    std::vector<pollfd> watches{{stopDescriptor, POLLIN, 0}};
    for (const auto& device : devices) watches.push_back({device->Descriptor(), POLLIN, 0});
    if (::poll(watches.data(), watches.size(), PollTimeout(devices)) < 0 && errno != EINTR) {
      return std::string("poll: ") + std::strerror(errno);
    }
    if ((watches[0].revents & POLLIN) != 0) return {};
    const uhid::Clock::time_point now = uhid::Clock::now();
    for (std::size_t index = 0; index < devices.size(); ++index) {
      uhid::VirtualDevice& device = *devices[index];
      if ((watches[index + 1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        return "poll(uhid): the descriptor failed";
      }
      if ((watches[index + 1].revents & POLLIN) != 0) {
        if (std::string error = device.HandleEvent(now); !error.empty()) return error;
      }
      if (std::string error = device.SendDue(now); !error.empty()) return error;
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

int Run(const Arguments& arguments) {
  const sim::SimOptionsResult parsed = sim::ParseSimOptions(arguments.spec);
  std::string refusal = parsed.error;
  const std::vector<sim::SimDeviceConfig> configs =
      parsed.ok() ? sim::LoadDeviceConfigs(parsed.options, refusal)
                  : std::vector<sim::SimDeviceConfig>();
  if (refusal.empty()) refusal = KernelRefusal(configs);
  if (!refusal.empty()) {
    PrintError(std::string(text::kVirtualSpecPrefix) + refusal);
    return kExitUsage;
  }
  const FileDescriptor stop(OpenStopDescriptor());
  if (!stop.valid()) {
    PrintError(std::string("signalfd: ") + std::strerror(errno));
    return kExitFailed;
  }
  std::vector<std::unique_ptr<uhid::VirtualDevice>> devices;
  std::string error = CreateDevices(configs, devices);
  const bool created = error.empty();
  if (created) {
    std::printf(std::string(text::kVirtualStartedFormat).c_str(), devices.size(),
                sim::kSimulatedDescription, kUhidNode, sim::kSimulatedVendorId,
                sim::kSimulatedProductId);
    std::fflush(stdout);
    error = Serve(devices, stop.get());
  }
  int status = kExitDone;
  if (!error.empty()) {
    PrintError(error);
    status = kExitFailed;
  }
  for (const auto& device : devices) device->Destroy();
  if (created && arguments.dump && !WriteDumps(*arguments.dump, configs, devices)) {
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
    std::fputs(std::string(kr55le::text::kVirtualUsage).c_str(), stderr);
    return kr55le::kExitUsage;
  }
  if (arguments.help) {
    std::fputs(std::string(kr55le::text::kVirtualUsage).c_str(), stdout);
    return kr55le::kExitDone;
  }
  return kr55le::Run(arguments);
}
