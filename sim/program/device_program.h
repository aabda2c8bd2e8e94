// What the device programs (kr55le-virtual-device through uhid, kr55le-usb-device for QEMU's
// usb-redir) share around their transports: the command line, the device list from SPEC, the
// stop signal, the serving loop's wait and the dumps at the end.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/device_model.h"
#include "sim/sim_device_config.h"
#include "sim/sim_options.h"

namespace kr55le::device_program {

using Clock = std::chrono::steady_clock;

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// One program's own texts and limits.
struct Program {
  std::string_view usage;
  std::string_view errorPrefix;
  // Options beyond --dump and --help, each taking a value: --name VALUE or --name=VALUE.
  std::span<const std::string_view> valueOptions;
  sim::TransportKeys keys = sim::TransportKeys::Common;
  // The longest report the transport carries, and the refusal's format for longer ones (%zu).
  std::size_t maxReportBytes = 0;
  std::string_view lengthFormat;
};

struct Arguments {
  std::string spec;
  std::optional<std::string> dump;
  std::map<std::string_view, std::string> values;  // by option name, as given
  bool help = false;
};

// Empty when understood, else what is wrong.
std::string ParseArguments(const Program& program, const std::vector<std::string_view>& words,
                           Arguments& arguments);

// A transport's devices, from start to end.
class Transport {
 public:
  virtual ~Transport() = default;
  // Makes the devices and names them on standard output; empty when every one is up, else what
  // failed.
  virtual std::string Start(const std::vector<sim::SimDeviceConfig>& configs) = 0;
  // What the serving loop polls for: a watch for each descriptor, and when replies fall due.
  virtual void Watch(std::vector<pollfd>& watches,
                     std::vector<std::optional<Clock::time_point>>& dues) const = 0;
  // After a poll: `watches` as Watch gave them, with their events. Empty, else what failed.
  virtual std::string Handle(std::span<const pollfd> watches, Clock::time_point now) = 0;
  // Takes the devices away (after Serve, or after a Start that failed).
  virtual void Stop() {}
  // What each device assembled, in the order of the configurations.
  virtual std::vector<std::vector<std::uint8_t>> Payloads() const = 0;
  // What each device received, in the order of the configurations.
  virtual std::vector<sim::DeviceCounters> Counters() const = 0;
};

// The programs' main: usage on a refused command line (status 2) or --help; else the devices
// SPEC names (status 2 when it or the transport refuses them), served until SIGINT or SIGTERM,
// then a line a device on standard output with the requests it received by kind, and their
// dumps. Status 1 when anything failed, with a line on standard error.
int Main(const Program& program, int argc, char** argv,
         const std::function<std::unique_ptr<Transport>(const Arguments&)>& transportFor);

}  // namespace kr55le::device_program
