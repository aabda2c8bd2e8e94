#include "record/session_record.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "record/latin1_json.h"

namespace kr55le::record {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr unsigned kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0x0F;
// The largest integer a JSON number (a double) holds exactly.
constexpr double kMaxExactInteger = 9007199254740992.0;

struct Named {
  std::string_view name;
  EventKind kind;
};
constexpr Named kEventNames[] = {
    {"start", EventKind::Start},
    {"interfaces", EventKind::Interfaces},
    {"open", EventKind::Open},
    {"attributes", EventKind::Attributes},
    {"caps", EventKind::Caps},
    {"write", EventKind::Write},
    {"write-failed", EventKind::WriteFailed},
    {"read", EventKind::Read},
};

struct NamedError {
  std::string_view name;
  hid::HidError error;
};
constexpr NamedError kErrorNames[] = {
    {"not-found", hid::HidError::NotFound}, {"permission-denied", hid::HidError::PermissionDenied},
    {"gone", hid::HidError::Gone},          {"timed-out", hid::HidError::TimedOut},
    {"too-long", hid::HidError::TooLong},   {"io", hid::HidError::Io},
    {"not-sent", hid::HidError::NotSent},
};

std::string_view NameOf(EventKind kind) {
  for (const Named& named : kEventNames) {
    if (named.kind == kind) return named.name;
  }
  return {};
}

std::string_view NameOf(hid::HidError error) {
  for (const NamedError& named : kErrorNames) {
    if (named.error == error) return named.name;
  }
  return {};
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    hex += kHexDigits[byte >> kNibbleBits];
    hex += kHexDigits[byte & kNibbleMask];
  }
  return hex;
}

// Reads one line's object into an event; empty when it is one, else what is wrong. Each member's
// type is checked before it is read, so that nothing a file holds throws.
class EventReader {
 public:
  explicit EventReader(const nlohmann::json& object) : object_(object) {}

  std::string Read(Event& event) {
    if (!object_.is_object()) return "not an object";
    std::string kind;
    if (!Text("event", kind)) return error_;
    const Named* named = nullptr;
    for (const Named& candidate : kEventNames) {
      if (candidate.name == kind) named = &candidate;
    }
    if (named == nullptr) return "unknown event '" + kind + "'";
    event.kind = named->kind;
    if (!Integer("us", event.micros, std::numeric_limits<std::uint64_t>::max())) return error_;
    if (event.kind != EventKind::Start && event.kind != EventKind::Interfaces) {
      std::uint64_t handle = 0;
      if (!Integer("handle", handle, kMaxHandle)) return error_;
      event.handle = static_cast<std::uint32_t>(handle);
      if (!Error(event.error)) return error_;
    }
    switch (event.kind) {
      case EventKind::Start:
        if (!Text("tool", event.tool) || !Text("version", event.version) ||
            !Texts("command", event.command))
          return error_;
        break;
      case EventKind::Interfaces:
        if (!Interfaces(event.interfaces)) return error_;
        break;
      case EventKind::Open:
        if (!Text("path", event.path)) return error_;
        break;
      case EventKind::Attributes:
        if (event.error == hid::HidError::None &&
            (!Short("vendor", event.attributes.VendorID) ||
             !Short("product", event.attributes.ProductID) ||
             !Short("version", event.attributes.VersionNumber)))
          return error_;
        break;
      case EventKind::Caps:
        if (event.error == hid::HidError::None &&
            (!Short("input", event.caps.InputReportByteLength) ||
             !Short("output", event.caps.OutputReportByteLength) ||
             !Short("feature", event.caps.FeatureReportByteLength)))
          return error_;
        break;
      case EventKind::Write:
      case EventKind::Read:
        if (event.error == hid::HidError::None && !Bytes("bytes", event.bytes)) return error_;
        break;
      case EventKind::WriteFailed:
        if (event.error == hid::HidError::None) return "'error' missing";
        break;
    }
    return {};
  }

 private:
  using Json = nlohmann::json;

  // The member `key`, or null (with error_ set) when it is missing or not of `type`.
  const Json* Need(std::string_view key, bool (Json::*type)() const noexcept) {
    const auto member = object_.find(key);
    if (member == object_.end()) return Fail("'" + std::string(key) + "' missing");
    if (!((*member).*type)()) return Fail("'" + std::string(key) + "' of the wrong type");
    return &*member;
  }

  bool Text(std::string_view key, std::string& out) {
    const Json* value = Need(key, &Json::is_string);
    if (value != nullptr) out = Latin1Bytes(*value);
    return value != nullptr;
  }

  bool Texts(std::string_view key, std::vector<std::string>& out) {
    const Json* value = Need(key, &Json::is_array);
    if (value == nullptr) return false;
    for (const Json& item : *value) {
      if (!item.is_string()) {
        Fail("'" + std::string(key) + "' holds a non-string");
        return false;
      }
      out.push_back(Latin1Bytes(item));
    }
    return true;
  }

  // Any JSON number is taken as the format's numbers always were, as a double: an integer
  // (1.0 and 1e3 too) from 0 to the largest a double holds exactly, and `limit`.
  bool Integer(std::string_view key, std::uint64_t& out, std::uint64_t limit) {
    const Json* value = Need(key, &Json::is_number);
    if (value == nullptr) return false;
    const auto number = value->get<double>();
    if (number < 0 || number != std::floor(number) || number > kMaxExactInteger ||
        number > static_cast<double>(limit)) {
      Fail("'" + std::string(key) + "' out of range");
      return false;
    }
    out = static_cast<std::uint64_t>(number);
    return true;
  }

  bool Short(std::string_view key, std::uint16_t& out) {
    std::uint64_t number = 0;
    if (!Integer(key, number, std::numeric_limits<std::uint16_t>::max())) return false;
    out = static_cast<std::uint16_t>(number);
    return true;
  }

  bool Error(hid::HidError& out) {
    const auto value = object_.find("error");
    if (value == object_.end()) return true;
    if (value->is_string()) {
      const std::string name = Latin1Bytes(*value);
      for (const NamedError& named : kErrorNames) {
        if (named.name == name) {
          out = named.error;
          return true;
        }
      }
    }
    Fail("unknown 'error'");
    return false;
  }

  bool Bytes(std::string_view key, std::vector<std::uint8_t>& out) {
    const Json* value = Need(key, &Json::is_string);
    if (value == nullptr) return false;
    const std::string hex = Latin1Bytes(*value);
    if (hex.size() % 2 != 0 || hex.size() / 2 > kMaxReportBytes) {
      Fail("'" + std::string(key) + "' not whole bytes or too long");
      return false;
    }
    for (std::size_t index = 0; index < hex.size(); index += 2) {
      const int high = Nibble(hex[index]);
      const int low = Nibble(hex[index + 1]);
      if (high < 0 || low < 0) {
        Fail("'" + std::string(key) + "' not hexadecimal");
        return false;
      }
      out.push_back(static_cast<std::uint8_t>((high << kNibbleBits) | low));
    }
    return true;
  }

  static int Nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool Interfaces(std::vector<hid::HidInterface>& out) {
    const Json* list = Need("interfaces", &Json::is_array);
    if (list == nullptr) return false;
    for (const Json& item : *list) {
      const auto path = item.find("path");  // end() unless an object with it
      const auto description = item.find("description");
      if (path == item.end() || !path->is_string() || description == item.end() ||
          !(description->is_string() || description->is_null())) {
        Fail("an interface without a path or description");
        return false;
      }
      hid::HidInterface& interface = out.emplace_back();
      interface.path = Latin1Bytes(*path);
      if (description->is_string()) interface.description = Latin1Bytes(*description);
    }
    return true;
  }

  const Json* Fail(std::string what) {
    error_ = std::move(what);
    return nullptr;
  }

  const Json& object_;
  std::string error_;
};

}  // namespace

std::string FormatEvent(const Event& event) {
  nlohmann::ordered_json line = {{"event", NameOf(event.kind)}, {"us", event.micros}};
  if (event.kind != EventKind::Start && event.kind != EventKind::Interfaces) {
    line["handle"] = event.handle;
    if (event.error != hid::HidError::None) line["error"] = NameOf(event.error);
  }
  const bool worked = event.error == hid::HidError::None;
  switch (event.kind) {
    case EventKind::Start: {
      line["tool"] = Latin1Json(event.tool);
      line["version"] = Latin1Json(event.version);
      nlohmann::ordered_json& command = line["command"] = nlohmann::ordered_json::array();
      for (const std::string& word : event.command) command.push_back(Latin1Json(word));
      break;
    }
    case EventKind::Interfaces: {
      nlohmann::ordered_json& list = line["interfaces"] = nlohmann::ordered_json::array();
      for (const hid::HidInterface& interface : event.interfaces) {
        list.push_back({{"path", Latin1Json(interface.path)},
                        {"description", interface.description ? Latin1Json(*interface.description)
                                                              : nlohmann::ordered_json(nullptr)}});
      }
      break;
    }
    case EventKind::Open:
      line["path"] = Latin1Json(event.path);
      break;
    case EventKind::Attributes:
      if (worked) {
        line["vendor"] = event.attributes.VendorID;
        line["product"] = event.attributes.ProductID;
        line["version"] = event.attributes.VersionNumber;
      }
      break;
    case EventKind::Caps:
      if (worked) {
        line["input"] = event.caps.InputReportByteLength;
        line["output"] = event.caps.OutputReportByteLength;
        line["feature"] = event.caps.FeatureReportByteLength;
      }
      break;
    case EventKind::Write:
    case EventKind::Read:
      if (worked) line["bytes"] = Hex(event.bytes);
      break;
    case EventKind::WriteFailed:
      break;
  }
  return DumpJson(line);
}

ParsedRecording ParseRecording(std::string_view text) {
  ParsedRecording parsed;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    std::string error;
    const nlohmann::json object = ParseJsonBounded(line, error);
    Event event;
    if (error.empty()) error = EventReader(object).Read(event);
    if (!error.empty()) {
      parsed.events.clear();
      parsed.error = "line " + std::to_string(number) + ": " + error;
      return parsed;
    }
    parsed.events.push_back(std::move(event));
  }
  return parsed;
}

}  // namespace kr55le::record
