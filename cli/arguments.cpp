#include "cli/arguments.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "dialog/wait_bounds.h"
#include "res/language.h"
#include "res/names.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr std::string_view kOptionPrefix = "-";
constexpr std::string_view kEndOfOptions = "--";
constexpr char kValueSeparator = '=';
constexpr double kMaxWaitSeconds = 86400;  // a day
constexpr double kMillisecondsPerSecond = 1000;
constexpr std::size_t kMessageCapacity = 256;
// Beyond this factor the longest wait's poll count would no longer fit the 64 bits it is counted
// in; half of that range keeps the product, rounded in doubles, clear of the edge.
constexpr double kMaxWaitScale =
    static_cast<double>(std::numeric_limits<std::uint64_t>::max() / 2) /
    static_cast<double>(LongestWait(WaitBounds{}));

struct CommandWord {
  std::string_view word;
  FlashCommand command;
  bool takesImage;
};

constexpr CommandWord kCommandWords[] = {
    {"list", FlashCommand::List, false},      {"info", FlashCommand::Info, false},
    {"check", FlashCommand::Check, true},     {"upgrade", FlashCommand::Upgrade, true},
    {"inspect", FlashCommand::Inspect, true},
};

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// A positive decimal without exponent.
std::optional<double> ParsePositive(std::string_view text) {
  double scale = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), scale, std::chars_format::fixed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (!std::isfinite(scale) || scale <= 0) return {};
  return scale;
}

// A positive whole number, digits only.
std::optional<std::size_t> ParseCount(std::string_view text) {
  std::size_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || count == 0)
    return {};
  return count;
}

std::string WaitScaleTooLarge(std::string_view value) {
  char bound[kMessageCapacity];
  std::snprintf(bound, sizeof bound, std::string(text::kWaitScaleTooLargeFormat).c_str(),
                kMaxWaitScale);
  return bound + Quoted(value);
}

// Empty when the value was applied, else what is wrong with it.
using ValueApply = std::string (*)(std::string_view value, FlashArguments& arguments);

// An option with both a flag and a value takes its value only after '=' (--wait=5).
struct Option {
  std::string_view name;
  ValueApply applyValue;                         // null for a flag
  void (*applyFlag)(FlashArguments& arguments);  // for a flag; null for one that stands alone
  FlashCommand alone = FlashCommand::Help;       // what a flag that stands alone asks for
};

constexpr Option kOptions[] = {
    {"--json", nullptr, [](FlashArguments& arguments) { arguments.json = true; }},
    {"--bell", nullptr, [](FlashArguments& arguments) { arguments.bell = true; }},
    {"--all", nullptr, [](FlashArguments& arguments) { arguments.all = true; }},
    {"--each",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       const std::optional<std::size_t> count = ParseCount(value);
       if (!count) return std::string(text::kBadEach) + Quoted(value);
       arguments.each = true;
       arguments.eachLimit = count;
       return {};
     },
     [](FlashArguments& arguments) { arguments.each = true; }},
    {"--progress-lines", nullptr,
     [](FlashArguments& arguments) { arguments.progressLines = true; }},
    {"--help", nullptr, nullptr},
    {"-h", nullptr, nullptr},
    {"--version", nullptr, nullptr, FlashCommand::Version},
    {"--simulate",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       const sim::SimOptionsResult parsed = sim::ParseSimOptions(value);
       if (!parsed.ok()) return std::string(text::kBadSimulateOptions) + parsed.error;
       arguments.simulate = parsed.options;
       arguments.simulateText = std::string(value);
       return {};
     },
     nullptr},
    {"--device",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       arguments.device = std::string(value);
       return {};
     },
     nullptr},
    {"--serial",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       arguments.serial = std::string(value);
       return {};
     },
     nullptr},
    // Chosen before the words are read (main.cpp), so that their errors are in the language.
    {name::kLanguageOption,
     [](std::string_view value, FlashArguments&) -> std::string {
       if (i18n::IsKnownLanguage(value)) return {};
       return std::string(text::kUnknownLanguage) + Quoted(value);
     },
     nullptr},
    {"--simulate-dump",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       arguments.simulateDump = std::string(value);
       return {};
     },
     nullptr},
    {"--record",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       arguments.record = std::string(value);
       return {};
     },
     nullptr},
    {"--wait",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       const std::optional<double> seconds = ParsePositive(value);
       if (!seconds || *seconds > kMaxWaitSeconds)
         return std::string(text::kBadWait) + Quoted(value);
       arguments.waitForDevice = true;
       arguments.waitLimit =
           std::chrono::milliseconds(std::llround(*seconds * kMillisecondsPerSecond));
       return {};
     },
     [](FlashArguments& arguments) { arguments.waitForDevice = true; }},
    {"--wait-scale",
     [](std::string_view value, FlashArguments& arguments) -> std::string {
       const std::optional<double> scale = ParsePositive(value);
       if (!scale) return std::string(text::kBadWaitScale) + Quoted(value);
       if (*scale > kMaxWaitScale) return WaitScaleTooLarge(value);
       arguments.waitScale = *scale;
       return {};
     },
     nullptr},
};

const Option* FindOption(std::string_view name) {
  for (const Option& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

const CommandWord* FindCommand(std::string_view word) {
  for (const CommandWord& command : kCommandWords) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

// Splits the options off the words; empty when every option was understood.
std::string TakeOptions(std::span<const std::string_view> words, FlashArguments& arguments,
                        std::vector<std::string_view>& operands,
                        std::optional<FlashCommand>& alone) {
  bool optionsEnded = false;
  for (std::size_t index = 0; index < words.size(); ++index) {
    const std::string_view word = words[index];
    if (optionsEnded || !word.starts_with(kOptionPrefix) || word == kOptionPrefix) {
      operands.push_back(word);
      continue;
    }
    if (word == kEndOfOptions) {
      optionsEnded = true;
      continue;
    }
    const std::size_t separator = word.find(kValueSeparator);
    const std::string_view name = word.substr(0, separator);
    const Option* option = FindOption(name);
    if (option == nullptr) return std::string(text::kUnknownOption) + Quoted(name);
    if (option->applyFlag != nullptr && option->applyValue != nullptr &&
        separator == std::string_view::npos) {
      option->applyFlag(arguments);
      continue;
    }
    if (option->applyValue == nullptr) {
      if (separator != std::string_view::npos)
        return std::string(text::kUnexpectedValue) + std::string(name);
      if (option->applyFlag == nullptr) {
        // Help wins over the version.
        if (!alone || option->alone == FlashCommand::Help) alone = option->alone;
      } else {
        option->applyFlag(arguments);
      }
      continue;
    }
    std::string_view value;
    if (separator != std::string_view::npos) {
      value = word.substr(separator + 1);
    } else if (index + 1 < words.size()) {
      value = words[++index];
    } else {
      return std::string(text::kMissingValue) + std::string(name);
    }
    if (std::string error = option->applyValue(value, arguments); !error.empty()) return error;
  }
  return {};
}

std::string TakeCommand(const std::vector<std::string_view>& operands, FlashArguments& arguments) {
  if (operands.empty()) return std::string(text::kMissingCommand);
  const CommandWord* command = FindCommand(operands.front());
  if (command == nullptr) return std::string(text::kUnknownCommand) + Quoted(operands.front());
  arguments.command = command->command;
  const std::size_t expected = command->takesImage ? 2 : 1;
  if (operands.size() < expected)
    return std::string(text::kMissingImage) + std::string(command->word);
  if (operands.size() > expected)
    return std::string(text::kUnexpectedArgument) + Quoted(operands[expected]);
  if (command->takesImage) arguments.image = std::string(operands[1]);
  return {};
}

}  // namespace

std::string_view CommandWordOf(FlashCommand command) {
  for (const CommandWord& word : kCommandWords) {
    if (word.command == command) return word.word;
  }
  return {};
}

ParsedFlashArguments ParseFlashArguments(std::span<const std::string_view> words) {
  ParsedFlashArguments parsed;
  parsed.arguments.words.assign(words.begin(), words.end());
  std::vector<std::string_view> operands;
  std::optional<FlashCommand> alone;
  parsed.error = TakeOptions(words, parsed.arguments, operands, alone);
  if (!parsed.ok()) return parsed;
  // Help and the version win over whatever else stands on the line.
  if (alone) {
    parsed.arguments.command = *alone;
    return parsed;
  }
  parsed.error = TakeCommand(operands, parsed.arguments);
  if (parsed.ok() && parsed.arguments.simulateDump && !parsed.arguments.simulate) {
    parsed.error = std::string(text::kDumpNeedsSimulate);
  }
  const FlashCommand command = parsed.arguments.command;
  if (parsed.ok() && parsed.arguments.waitForDevice && command == FlashCommand::Inspect) {
    parsed.error = std::string(text::kWaitNotForInspect);
  }
  if (parsed.ok() && parsed.arguments.record && command == FlashCommand::Inspect) {
    parsed.error = std::string(text::kRecordNotForInspect);
  }
  if (parsed.ok() && parsed.arguments.device && command != FlashCommand::Info &&
      command != FlashCommand::Check && command != FlashCommand::Upgrade) {
    parsed.error = std::string(text::kDeviceNotForCommand);
  }
  if (parsed.ok() && parsed.arguments.serial &&
      ((command != FlashCommand::Check && command != FlashCommand::Upgrade) ||
       RunsPerDevice(parsed.arguments))) {
    parsed.error = std::string(text::kSerialNotForCommand);
  }
  if (parsed.ok() && parsed.arguments.each) {
    if (command != FlashCommand::Upgrade) {
      parsed.error = std::string(text::kEachNotForCommand);
    } else if (parsed.arguments.all) {
      parsed.error = std::string(text::kEachWithAll);
    } else if (parsed.arguments.device) {
      parsed.error = std::string(text::kEachWithDevice);
    } else if (parsed.arguments.waitForDevice) {
      parsed.error = std::string(text::kEachWithWait);
    }
  }
  if (parsed.ok() && parsed.arguments.all) {
    if (command != FlashCommand::Check && command != FlashCommand::Upgrade) {
      parsed.error = std::string(text::kAllNotForCommand);
    } else if (parsed.arguments.device) {
      parsed.error = std::string(text::kAllWithDevice);
    }
  }
  return parsed;
}

}  // namespace kr55le
