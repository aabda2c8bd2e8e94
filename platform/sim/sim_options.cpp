#include "platform/sim/sim_options.h"

#include <charconv>
#include <limits>
#include <optional>

#include "image/image_payload.h"

namespace kr55le::sim {
namespace {

constexpr char kEntrySeparator = ',';
constexpr char kValueSeparator = '=';
constexpr std::string_view kSilentBlockPrefix = "block:";
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr std::uint64_t kMaxLength = std::numeric_limits<std::uint16_t>::max();

std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t lowest,
                                         std::uint64_t highest) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (value < lowest || value > highest) return {};
  return value;
}

std::optional<std::uint32_t> ParseBlock(std::string_view text) {
  const auto block = ParseNumber(text, 0, kMaxBlockCount - 1);
  if (!block) return {};
  return static_cast<std::uint32_t>(*block);
}

// Texts go on the wire as fixed-width ASCII fields, so they must fit and be printable.
std::optional<std::string> ParseText(std::string_view text, std::size_t width) {
  if (text.size() > width) return {};
  for (const char character : text) {
    if (character < kFirstPrintable || character > kLastPrintable) return {};
  }
  return std::string(text);
}

bool ParseSilent(std::string_view value, SimDeviceConfig& config) {
  if (value == "info") {
    config.silent = SilentRequest::DeviceInfo;
  } else if (value == "check") {
    config.silent = SilentRequest::ImageCheck;
  } else if (value == "start") {
    config.silent = SilentRequest::UpgradeStart;
  } else if (value.starts_with(kSilentBlockPrefix)) {
    const auto block = ParseBlock(value.substr(kSilentBlockPrefix.size()));
    if (!block) return false;
    config.silent = SilentRequest::Block;
    config.silentBlock = *block;
  } else {
    return false;
  }
  return true;
}

bool ParseDelay(std::string_view value, std::chrono::milliseconds& delay) {
  const auto milliseconds = ParseNumber(value, 0, kMaxDelayMilliseconds);
  if (!milliseconds) return false;
  delay = std::chrono::milliseconds(*milliseconds);
  return true;
}

bool ParseOptionalBlock(std::string_view value, std::optional<std::uint32_t>& block) {
  block = ParseBlock(value);
  return block.has_value();
}

bool AssignText(std::string_view value, std::size_t width, std::string& field) {
  const auto text = ParseText(value, width);
  if (!text) return false;
  field = *text;
  return true;
}

bool ParseMode(std::string_view value, UpgradeMode& mode) {
  if (value == "firmware") {
    mode = UpgradeMode::Firmware;
  } else if (value == "audio") {
    mode = UpgradeMode::Audio;
  } else {
    return false;
  }
  return true;
}

template <typename Count>
bool ParseCount(std::string_view value, std::uint64_t lowest, std::uint64_t highest, Count& count) {
  const auto parsed = ParseNumber(value, lowest, highest);
  if (parsed) count = static_cast<Count>(*parsed);
  return parsed.has_value();
}

// A key that takes a value, and how it applies one; false when the value is bad.
struct ValueKey {
  std::string_view key;
  bool (*apply)(std::string_view value, SimOptions& options);
};

constexpr ValueKey kValueKeys[] = {
    {"mode", [](std::string_view value,
                SimOptions& options) { return ParseMode(value, options.config.mode); }},
    {"serial",
     [](std::string_view value, SimOptions& options) {
       return AssignText(value, kSerialSize, options.config.serialNumber);
     }},
    {"software-version",
     [](std::string_view value, SimOptions& options) {
       return AssignText(value, kVersionFieldSize, options.config.softwareVersion);
     }},
    {"bootloader-version",
     [](std::string_view value, SimOptions& options) {
       return AssignText(value, kVersionFieldSize, options.config.bootloaderVersion);
     }},
    {"resend-every",
     [](std::string_view value, SimOptions& options) {
       return ParseCount(value, 1, std::numeric_limits<std::uint32_t>::max(),
                         options.config.resendEvery);
     }},
    {"fail-at",
     [](std::string_view value, SimOptions& options) {
       return ParseOptionalBlock(value, options.config.failAtBlock);
     }},
    {"lost-ack-at",
     [](std::string_view value, SimOptions& options) {
       return ParseOptionalBlock(value, options.config.lostAckAtBlock);
     }},
    {"unplug-at",
     [](std::string_view value, SimOptions& options) {
       return ParseOptionalBlock(value, options.config.unplugAtBlock);
     }},
    {"silent", [](std::string_view value,
                  SimOptions& options) { return ParseSilent(value, options.config); }},
    {"devices",
     [](std::string_view value, SimOptions& options) {
       return ParseCount(value, 0, kMaxDeviceCount, options.deviceCount);
     }},
    {"input-length",
     [](std::string_view value, SimOptions& options) {
       return ParseCount(value, 0, kMaxLength, options.config.inputReportLength);
     }},
    {"output-length",
     [](std::string_view value, SimOptions& options) {
       return ParseCount(value, 0, kMaxLength, options.config.outputReportLength);
     }},
    {"erase-ms", [](std::string_view value,
                    SimOptions& options) { return ParseDelay(value, options.config.eraseDelay); }},
    {"reply-ms",
     [](std::string_view value, SimOptions& options) {
       return ParseDelay(value, options.config.replyLatency);
     }},
};

const ValueKey* FindValueKey(std::string_view key) {
  for (const ValueKey& known : kValueKeys) {
    if (known.key == key) return &known;
  }
  return nullptr;
}

bool IsFlagKey(std::string_view key) {
  return key == "no-description" || key == "chatter" || key == "repeat-ack";
}

void ApplyFlag(std::string_view key, SimDeviceConfig& config) {
  if (key == "no-description") config.hasDescription = false;
  if (key == "chatter") config.chatter = true;
  if (key == "repeat-ack") config.repeatAckAfterResend = true;
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// Empty when the entry was applied, else what is wrong with it.
std::string ApplyEntry(std::string_view entry, SimOptions& options) {
  if (entry.empty()) return "empty entry";
  const std::size_t separator = entry.find(kValueSeparator);
  const std::string_view key = entry.substr(0, separator);
  const ValueKey* valueKey = FindValueKey(key);
  if (separator == std::string_view::npos) {
    if (IsFlagKey(key)) {
      ApplyFlag(key, options.config);
      return {};
    }
    if (valueKey) return "missing value for " + std::string(key);
    return "unknown key " + Quoted(key);
  }
  const std::string_view value = entry.substr(separator + 1);
  if (IsFlagKey(key)) return "key " + Quoted(key) + " takes no value";
  if (!valueKey) return "unknown key " + Quoted(key);
  if (!valueKey->apply(value, options)) {
    return "bad value " + Quoted(value) + " for " + std::string(key);
  }
  return {};
}

}  // namespace

SimOptionsResult ParseSimOptions(std::string_view text, const SimOptions& defaults) {
  SimOptionsResult result{.options = defaults, .error = {}};
  if (text.empty()) return result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(kEntrySeparator, start);
    const std::string_view entry = text.substr(start, end - start);
    result.error = ApplyEntry(entry, result.options);
    if (!result.ok()) {
      result.options = defaults;
      return result;
    }
    if (end == std::string_view::npos) return result;
    start = end + 1;
  }
}

}  // namespace kr55le::sim
