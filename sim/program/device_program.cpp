#include "sim/program/device_program.h"

#include <signal.h>
#include <sys/signalfd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/posix/file_descriptor.h"
#include "res/strings.h"
#include "sim/bus_configs.h"
#include "sim/payload_dump.h"
#include "sim/tool_texts.h"

namespace kr55le::device_program {
namespace {

constexpr std::string_view kDumpOption = "--dump";
constexpr std::string_view kHelpOptions[] = {"--help", "-h"};
constexpr std::string_view kOptionPrefix = "-";
constexpr char kValueSeparator = '=';
constexpr std::size_t kMessageCapacity = 512;
// The longest a pass waits when no reply is due; the stop signal ends it at once anyway.
constexpr std::chrono::milliseconds kIdlePass{1000};

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

// True when the word at `index` is one of the program's value options, its value stored.
bool TakeValueOption(const Program& program, const std::vector<std::string_view>& words,
                     std::size_t& index, Arguments& arguments, bool& missing) {
  for (const std::string_view name : program.valueOptions) {
    if (auto value = OptionValue(words, index, name, missing)) {
      arguments.values[name] = std::move(*value);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string ParseArguments(const Program& program, const std::vector<std::string_view>& words,
                           Arguments& arguments) {
  bool specSeen = false;
  for (std::size_t index = 0; index < words.size(); ++index) {
    const std::string_view word = words[index];
    bool missing = false;
    if (std::find(std::begin(kHelpOptions), std::end(kHelpOptions), word) !=
        std::end(kHelpOptions)) {
      arguments.help = true;
    } else if (auto dump = OptionValue(words, index, kDumpOption, missing)) {
      arguments.dump = std::move(*dump);
    } else if (!TakeValueOption(program, words, index, arguments, missing)) {
      // Not an option of the program: the one SPEC.
      if (word.starts_with(kOptionPrefix)) {
        return std::string(text::kUnknownOption) + "'" + std::string(word) + "'";
      }
      if (specSeen) return std::string(text::kUnexpectedArgument) + "'" + std::string(word) + "'";
      arguments.spec = std::string(word);
      specSeen = true;
    }
    if (missing) return std::string(text::kMissingValue) + std::string(word);
  }
  return {};
}

namespace {

void PrintError(const Program& program, const std::string& message) {
  std::fprintf(stderr, "%s%s\n", std::string(program.errorPrefix).c_str(), message.c_str());
}

// The devices SPEC names; empty with `refusal` set when the text or the transport refuses them.
std::vector<sim::SimDeviceConfig> LoadConfigs(const Program& program, const std::string& spec,
                                              std::string& refusal) {
  const sim::SimOptionsResult parsed = sim::ParseSimOptions(spec, {}, program.keys);
  refusal = parsed.error;
  if (!parsed.ok()) return {};
  std::vector<sim::SimDeviceConfig> configs = sim::LoadDeviceConfigs(parsed.options, refusal);
  for (const sim::SimDeviceConfig& config : configs) {
    if (!refusal.empty()) break;
    if (config.chatter) {
      refusal = std::string(tool_text::kVirtualChatter);
    } else if (std::max(config.inputReportLength, config.outputReportLength) >
               program.maxReportBytes) {
      char message[kMessageCapacity];
      std::snprintf(message, sizeof message, std::string(program.lengthFormat).c_str(),
                    program.maxReportBytes);
      refusal = message;
    }
  }
  if (!refusal.empty()) configs.clear();
  return configs;
}

// A descriptor that becomes readable on SIGINT or SIGTERM (both then blocked); -1 on failure.
int OpenStopDescriptor() {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGTERM);
  if (sigprocmask(SIG_BLOCK, &stops, nullptr) != 0) return -1;
  return ::signalfd(-1, &stops, SFD_CLOEXEC);
}

// False, with a line for each file, when a dump could not be written.
bool WriteDumps(const Program& program, const std::string& path,
                const std::vector<sim::SimDeviceConfig>& configs,
                const std::vector<std::vector<std::uint8_t>>& payloads) {
  std::vector<sim::DeviceDump> dumps;
  for (std::size_t index = 0; index < payloads.size(); ++index) {
    dumps.push_back({configs[index].serialNumber, payloads[index]});
  }
  const std::vector<std::string> failed = sim::WritePayloadDumps(path, payloads.size(), dumps);
  for (const std::string& file : failed) {
    PrintError(program, std::string(text::kDumpWriteFailed) + file);
  }
  return failed.empty();
}

// The requests each device received, by kind: what a test of the tools that drive it counts
// (how often a device was asked to erase itself, whether a program asked it anything at all).
void PrintRequests(const std::vector<sim::SimDeviceConfig>& configs,
                   const std::vector<sim::DeviceCounters>& counters) {
  for (std::size_t index = 0; index < counters.size() && index < configs.size(); ++index) {
    const sim::DeviceCounters& counted = counters[index];
    std::printf(std::string(tool_text::kVirtualRequestsFormat).c_str(),
                configs[index].serialNumber.c_str(), counted.infoRequests, counted.checkRequests,
                counted.startRequests, counted.exitRequests);
  }
  std::fflush(stdout);
}

// poll()'s timeout in milliseconds: until the earliest due reply, at most kIdlePass.
int PollTimeout(const std::vector<std::optional<Clock::time_point>>& dues) {
  const Clock::time_point now = Clock::now();
  auto wait = kIdlePass;
  for (const std::optional<Clock::time_point>& due : dues) {
    if (!due) continue;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    wait = std::clamp(left, std::chrono::milliseconds{0}, wait);
  }
  return static_cast<int>(wait.count());
}

// Serves the transport's devices until the stop signal arrives; empty then, else what failed.
std::string Serve(Transport& transport, int stopDescriptor) {
  for (;;) {
    std::vector<pollfd> watches{{stopDescriptor, POLLIN, 0}};
    std::vector<std::optional<Clock::time_point>> dues;
    transport.Watch(watches, dues);
    if (::poll(watches.data(), watches.size(), PollTimeout(dues)) < 0 && errno != EINTR) {
      return std::string("poll: ") + std::strerror(errno);
    }
    if ((watches[0].revents & POLLIN) != 0) return {};
    if (std::string error = transport.Handle(std::span(watches).subspan(1), Clock::now());
        !error.empty()) {
      return error;
    }
  }
}

int Run(const Program& program, const Arguments& arguments, Transport& transport) {
  std::string refusal;
  const std::vector<sim::SimDeviceConfig> configs = LoadConfigs(program, arguments.spec, refusal);
  if (!refusal.empty()) {
    PrintError(program, std::string(tool_text::kVirtualSpecPrefix) + refusal);
    return kExitUsage;
  }
  const FileDescriptor stop(OpenStopDescriptor());
  if (!stop.valid()) {
    PrintError(program, std::string("signalfd: ") + std::strerror(errno));
    return kExitFailed;
  }
  std::string error = transport.Start(configs);
  const bool started = error.empty();
  if (started) {
    std::fflush(stdout);
    error = Serve(transport, stop.get());
  }
  int status = kExitDone;
  if (!error.empty()) {
    PrintError(program, error);
    status = kExitFailed;
  }
  transport.Stop();
  if (started) PrintRequests(configs, transport.Counters());
  if (started && arguments.dump &&
      !WriteDumps(program, *arguments.dump, configs, transport.Payloads())) {
    status = kExitFailed;
  }
  return status;
}

}  // namespace

int Main(const Program& program, int argc, char** argv,
         const std::function<std::unique_ptr<Transport>(const Arguments&)>& transportFor) {
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  Arguments arguments;
  if (const std::string error = ParseArguments(program, words, arguments); !error.empty()) {
    PrintError(program, error);
    std::fputs(std::string(program.usage).c_str(), stderr);
    return kExitUsage;
  }
  if (arguments.help) {
    std::fputs(std::string(program.usage).c_str(), stdout);
    return kExitDone;
  }
  return Run(program, arguments, *transportFor(arguments));
}

}  // namespace kr55le::device_program
