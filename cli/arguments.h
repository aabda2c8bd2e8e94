// The command line of kr55le-flash: a command word, its image, and options that may stand
// before or after the command word.
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_options.h"

namespace kr55le {

inline constexpr double kDefaultWaitScale = 1.0;

enum class FlashCommand { Help, Version, List, Info, Check, Upgrade, Inspect };

struct FlashArguments {
  FlashCommand command = FlashCommand::Help;
  std::string image;  // for check, upgrade and inspect
  bool json = false;
  bool bell = false;
  std::optional<std::string> device;  // --device: the one device the command sees
  std::optional<std::string>
      serial;         // --serial: the device's, as SerialWord (serial_words.h) writes it
  bool all = false;   // --all: each device that answers, in a run of its own
  bool each = false;  // --each: each device attached or arriving, once by serial, in runs as --all
  std::optional<std::size_t> eachLimit;     // --each=N: that many devices, then the end
  bool progressLines = false;               // the progress as lines on standard error
  std::optional<sim::SimOptions> simulate;  // the simulated bus instead of hidraw
  std::string simulateText;                 // --simulate as written, for the runs of --all
  std::optional<std::string> simulateDump;  // where the simulated payload goes at the end
  std::optional<std::string> record;        // --record: where the session's reports are written
  std::vector<std::string> words;           // the command line, for the recording
  double waitScale = kDefaultWaitScale;
  bool waitForDevice = false;                          // --wait: until a device is attached
  std::optional<std::chrono::milliseconds> waitLimit;  // --wait=SECONDS: at most that long
};

// Whether each device gets a run of this program of its own (--all, --each).
inline bool RunsPerDevice(const FlashArguments& arguments) {
  return arguments.all || arguments.each;
}

struct ParsedFlashArguments {
  FlashArguments arguments;
  std::string error;  // says what is wrong, for the usage error; empty when understood
  bool ok() const { return error.empty(); }
};

// The word that asks for `command` on the command line; empty for help and the version.
std::string_view CommandWordOf(FlashCommand command);

// `words` are the arguments after the program's name. "--name=value" and "--name value" both
// work; "--" ends the options.
ParsedFlashArguments ParseFlashArguments(std::span<const std::string_view> words);

}  // namespace kr55le
