#include "sim/sim_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <optional>

#include "hid/hid_services.h"
#include "image/image_payload.h"

namespace kr55le::sim {
namespace {

constexpr char kEntrySeparator = ',';
constexpr char kValueSeparator = '=';
constexpr char kDeviceSeparator = ':';  // "2:fail-at=5": device 2's own entry
constexpr std::string_view kSilentBlockPrefix = "block:";
constexpr char kFirstPrintable = ' ';
constexpr char kLastPrintable = '~';
constexpr std::uint64_t kMaxLength = std::numeric_limits<std::uint16_t>::max();
constexpr std::uint64_t kMaxByte = std::numeric_limits<std::uint8_t>::max();

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

// One byte of the device's own choosing, but none of `refused`: values the host reads otherwise.
bool ParseChoice(std::string_view value, std::initializer_list<std::uint8_t> refused,
                 std::uint8_t& choice) {
  const auto parsed = ParseNumber(value, 0, kMaxByte);
  if (!parsed || std::find(refused.begin(), refused.end(), *parsed) != refused.end()) return false;
  choice = static_cast<std::uint8_t>(*parsed);
  return true;
}

// A key that takes a value, and how it applies one; false when the value is bad.
struct ValueKey {
  std::string_view key;
  bool (*apply)(std::string_view value, SimDeviceConfig& config);
};

constexpr ValueKey kValueKeys[] = {
    {"mode",
     [](std::string_view value, SimDeviceConfig& config) { return ParseMode(value, config.mode); }},
    {"serial",
     [](std::string_view value, SimDeviceConfig& config) {
       return AssignText(value, kSerialSize, config.serialNumber);
     }},
    {"software-version",
     [](std::string_view value, SimDeviceConfig& config) {
       return AssignText(value, kVersionFieldSize, config.softwareVersion);
     }},
    {"bootloader-version",
     [](std::string_view value, SimDeviceConfig& config) {
       return AssignText(value, kVersionFieldSize, config.bootloaderVersion);
     }},
    {"resend-every",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseCount(value, 1, std::numeric_limits<std::uint32_t>::max(), config.resendEvery);
     }},
    {"fail-at",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseOptionalBlock(value, config.failAtBlock);
     }},
    {"lost-ack-at",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseOptionalBlock(value, config.lostAckAtBlock);
     }},
    {"unplug-at",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseOptionalBlock(value, config.unplugAtBlock);
     }},
    {"silent",
     [](std::string_view value, SimDeviceConfig& config) { return ParseSilent(value, config); }},
    {"input-length",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseCount(value, 0, kMaxLength, config.inputReportLength);
     }},
    {"output-length",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseCount(value, 0, kMaxLength, config.outputReportLength);
     }},
    // A device with a numbered identification numbers every report; the identification's ID
    // would make a status reply pass for one.
    {"status-id",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseChoice(value, {hid::kNoReportId, kDeviceInfoReplyId}, config.statusReplyId);
     }},
    {"again-code",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseChoice(value, {kAckAccepted, kAckFailed}, config.sendAgainCode);
     }},
    {"reply-fill",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseChoice(value, {}, config.replyFill);
     }},
    {"erase-ms", [](std::string_view value,
                    SimDeviceConfig& config) { return ParseDelay(value, config.eraseDelay); }},
    {"reply-ms", [](std::string_view value,
                    SimDeviceConfig& config) { return ParseDelay(value, config.replyLatency); }},
};

bool ParseYesNo(std::string_view value, bool& flag) {
  if (value != "yes" && value != "no") return false;
  flag = value == "yes";
  return true;
}

// The keys that only the USB link plays.
constexpr ValueKey kUsbLinkKeys[] = {
    {"out-endpoint", [](std::string_view value,
                        SimDeviceConfig& config) { return ParseYesNo(value, config.outEndpoint); }},
    {"disconnect-at",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseOptionalBlock(value, config.disconnectAtBlock);
     }},
    {"stall-at",
     [](std::string_view value, SimDeviceConfig& config) {
       return ParseOptionalBlock(value, config.stallAtBlock);
     }},
};

const ValueKey* FindValueKey(std::string_view key) {
  for (const ValueKey& known : kValueKeys) {
    if (known.key == key) return &known;
  }
  for (const ValueKey& known : kUsbLinkKeys) {
    if (known.key == key) return &known;
  }
  return nullptr;
}

bool IsUsbLinkKey(std::string_view key) {
  return std::any_of(std::begin(kUsbLinkKeys), std::end(kUsbLinkKeys),
                     [&](const ValueKey& known) { return known.key == key; });
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

std::string BadValue(std::string_view key, std::string_view value) {
  return "bad value " + Quoted(value) + " for " + std::string(key);
}

// Empty when the entry was applied, else what is wrong with it.
std::string ApplyEntry(std::string_view entry, SimDeviceConfig& config, TransportKeys keys) {
  if (entry.empty()) return "empty entry";
  const std::size_t separator = entry.find(kValueSeparator);
  const std::string_view key = entry.substr(0, separator);
  if (keys != TransportKeys::UsbLink && IsUsbLinkKey(key)) {
    return std::string(key) + " is for kr55le-usb-device alone";
  }
  const ValueKey* valueKey = FindValueKey(key);
  if (separator == std::string_view::npos) {
    if (IsFlagKey(key)) {
      ApplyFlag(key, config);
      return {};
    }
    if (valueKey) return "missing value for " + std::string(key);
    return "unknown key " + Quoted(key);
  }
  const std::string_view value = entry.substr(separator + 1);
  if (IsFlagKey(key)) return "key " + Quoted(key) + " takes no value";
  if (!valueKey) return "unknown key " + Quoted(key);
  if (!valueKey->apply(value, config)) return BadValue(key, value);
  return {};
}

// A key of the whole bus, never of one device; `apply` says what is wrong with the value, or
// nothing when it was applied.
struct BusKey {
  std::string_view key;
  std::string (*apply)(std::string_view value, SimOptions& options);
};

constexpr BusKey kBusKeys[] = {
    {"devices",
     [](std::string_view value, SimOptions& options) -> std::string {
       if (ParseCount(value, 0, kMaxDeviceCount, options.deviceCount)) return {};
       return BadValue("devices", value);
     }},
    {"replay",
     [](std::string_view value, SimOptions& options) -> std::string {
       if (value.empty()) return "missing value for replay";
       options.replayPath = std::string(value);
       return {};
     }},
    {"replay-timing",
     [](std::string_view value, SimOptions& options) -> std::string {
       if (value != "recorded" && value != "fast") return BadValue("replay-timing", value);
       options.replayRecordedTiming = value == "recorded";
       return {};
     }},
};

// Empty when the entry was applied to the whole bus or recorded for its device, else what is
// wrong with it.
std::string ApplyBusEntry(std::string_view entry, SimOptions& options, TransportKeys keys) {
  const std::size_t separator = entry.find(kValueSeparator);
  const std::string_view key = entry.substr(0, separator);
  for (const BusKey& busKey : kBusKeys) {
    if (busKey.key != key) continue;
    if (separator == std::string_view::npos) return "missing value for " + std::string(key);
    return busKey.apply(entry.substr(separator + 1), options);
  }
  const std::size_t colon = entry.find(kDeviceSeparator);
  if (colon == std::string_view::npos || colon > entry.find(kValueSeparator)) {
    return ApplyEntry(entry, options.config, keys);
  }
  const std::string_view number = entry.substr(0, colon);
  const auto device = ParseNumber(number, 1, kMaxDeviceCount);
  if (!device) return "bad device number " + Quoted(number);
  const std::string_view own = entry.substr(colon + 1);
  for (const BusKey& busKey : kBusKeys) {
    if (own.starts_with(busKey.key)) return std::string(busKey.key) + " is for the whole bus";
  }
  SimDeviceConfig scratch;  // refuses what the device's turn would refuse, now
  std::string error = ApplyEntry(own, scratch, keys);
  if (error.empty())
    options.deviceEntries.push_back({static_cast<std::size_t>(*device), {own.begin(), own.end()}});
  return error;
}

// The k-th of several serial numbers: `serial` with its trailing digits replaced by k, as wide
// (at least one digit), cut to the field's width from the left of the number.
std::string NumberedSerial(const std::string& serial, std::size_t k) {
  std::size_t stem = serial.size();
  while (stem > 0 && std::isdigit(static_cast<unsigned char>(serial[stem - 1]))) --stem;
  std::string number = std::to_string(k);
  const std::size_t width = std::max<std::size_t>(serial.size() - stem, 1);
  if (number.size() < width) number.insert(0, width - number.size(), '0');
  const std::size_t kept =
      std::min(stem, kSerialSize > number.size() ? kSerialSize - number.size() : 0);
  return serial.substr(0, kept) + number;
}

}  // namespace

SimOptionsResult ParseSimOptions(std::string_view text, const SimOptions& defaults,
                                 TransportKeys keys) {
  SimOptionsResult result{.options = defaults, .error = {}};
  if (text.empty()) return result;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(kEntrySeparator, start);
    const std::string_view entry = text.substr(start, end - start);
    result.error = ApplyBusEntry(entry, result.options, keys);
    if (result.ok() && end == std::string_view::npos) {
      for (const DeviceEntry& own : result.options.deviceEntries) {
        if (own.device > result.options.deviceCount) {
          result.error = "no device " + std::to_string(own.device) + " among " +
                         std::to_string(result.options.deviceCount);
        }
      }
    }
    if (!result.ok()) {
      result.options = defaults;
      return result;
    }
    if (end == std::string_view::npos) return result;
    start = end + 1;
  }
}

std::vector<SimDeviceConfig> DeviceConfigs(const SimOptions& options) {
  std::vector<SimDeviceConfig> configs(options.deviceCount, options.config);
  for (std::size_t index = 0; index < configs.size(); ++index) {
    const std::size_t device = index + 1;
    if (configs.size() > 1)
      configs[index].serialNumber = NumberedSerial(options.config.serialNumber, device);
    for (const DeviceEntry& own : options.deviceEntries) {
      // Each entry was checked as it was parsed, with the keys its transport plays.
      if (own.device == device) ApplyEntry(own.entry, configs[index], TransportKeys::UsbLink);
    }
  }
  return configs;
}

}  // namespace kr55le::sim
