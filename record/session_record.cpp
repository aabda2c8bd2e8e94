#include "record/session_record.h"

#include <cmath>
#include <limits>

#include "record/json.h"

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

// Appended in place: a transfer writes thousands of these while it runs.
void AppendHex(std::string& line, const std::vector<std::uint8_t>& bytes) {
  line.reserve(line.size() + bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    line += kHexDigits[byte >> kNibbleBits];
    line += kHexDigits[byte & kNibbleMask];
  }
}

std::string Member(std::string_view key, const std::string& json) {
  return "," + JsonString(key) + ":" + json;
}

std::string Member(std::string_view key, std::uint64_t number) {
  return Member(key, std::to_string(number));
}

// Reads one line's object into an event; empty when it is one, else what is wrong.
class EventReader {
 public:
  explicit EventReader(const JsonValue& object) : object_(object) {}

  std::string Read(Event& event) {
    if (object_.type != JsonValue::Type::Object) return "not an object";
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
  const JsonValue* Need(std::string_view key, JsonValue::Type type) {
    const JsonValue* value = object_.Find(key);
    if (value == nullptr) return Fail("'" + std::string(key) + "' missing");
    if (value->type != type) return Fail("'" + std::string(key) + "' of the wrong type");
    return value;
  }

  bool Text(std::string_view key, std::string& out) {
    const JsonValue* value = Need(key, JsonValue::Type::String);
    if (value != nullptr) out = value->text;
    return value != nullptr;
  }

  bool Texts(std::string_view key, std::vector<std::string>& out) {
    const JsonValue* value = Need(key, JsonValue::Type::Array);
    if (value == nullptr) return false;
    for (const JsonValue& item : value->items) {
      if (item.type != JsonValue::Type::String) {
        Fail("'" + std::string(key) + "' holds a non-string");
        return false;
      }
      out.push_back(item.text);
    }
    return true;
  }

  bool Integer(std::string_view key, std::uint64_t& out, std::uint64_t limit) {
    const JsonValue* value = Need(key, JsonValue::Type::Number);
    if (value == nullptr) return false;
    const double number = value->number;
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
    const JsonValue* value = object_.Find("error");
    if (value == nullptr) return true;
    if (value->type == JsonValue::Type::String) {
      for (const NamedError& named : kErrorNames) {
        if (named.name == value->text) {
          out = named.error;
          return true;
        }
      }
    }
    Fail("unknown 'error'");
    return false;
  }

  bool Bytes(std::string_view key, std::vector<std::uint8_t>& out) {
    const JsonValue* value = Need(key, JsonValue::Type::String);
    if (value == nullptr) return false;
    const std::string& hex = value->text;
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
    const JsonValue* list = Need("interfaces", JsonValue::Type::Array);
    if (list == nullptr) return false;
    for (const JsonValue& item : list->items) {
      const JsonValue* path = item.Find("path");
      const JsonValue* description = item.Find("description");
      if (item.type != JsonValue::Type::Object || path == nullptr ||
          path->type != JsonValue::Type::String || description == nullptr ||
          (description->type != JsonValue::Type::String &&
           description->type != JsonValue::Type::Null)) {
        Fail("an interface without a path or description");
        return false;
      }
      hid::HidInterface& interface = out.emplace_back();
      interface.path = path->text;
      if (description->type == JsonValue::Type::String) interface.description = description->text;
    }
    return true;
  }

  const JsonValue* Fail(std::string what) {
    error_ = std::move(what);
    return nullptr;
  }

  const JsonValue& object_;
  std::string error_;
};

}  // namespace

std::string FormatEvent(const Event& event) {
  std::string line = "{" + JsonString("event") + ":" + JsonString(NameOf(event.kind));
  line += Member("us", event.micros);
  if (event.kind != EventKind::Start && event.kind != EventKind::Interfaces) {
    line += Member("handle", event.handle);
    if (event.error != hid::HidError::None)
      line += Member("error", JsonString(NameOf(event.error)));
  }
  const bool worked = event.error == hid::HidError::None;
  switch (event.kind) {
    case EventKind::Start: {
      line += Member("tool", JsonString(event.tool)) + Member("version", JsonString(event.version));
      std::string command;
      for (const std::string& word : event.command) {
        command += (command.empty() ? "" : ",") + JsonString(word);
      }
      line += Member("command", "[" + command + "]");
      break;
    }
    case EventKind::Interfaces: {
      std::string list;
      for (const hid::HidInterface& interface : event.interfaces) {
        list += std::string(list.empty() ? "" : ",") + "{" + JsonString("path") + ":" +
                JsonString(interface.path) +
                Member("description", interface.description ? JsonString(*interface.description)
                                                            : std::string("null")) +
                "}";
      }
      line += Member("interfaces", "[" + list + "]");
      break;
    }
    case EventKind::Open:
      line += Member("path", JsonString(event.path));
      break;
    case EventKind::Attributes:
      if (worked) {
        line += Member("vendor", event.attributes.VendorID) +
                Member("product", event.attributes.ProductID) +
                Member("version", event.attributes.VersionNumber);
      }
      break;
    case EventKind::Caps:
      if (worked) {
        line += Member("input", event.caps.InputReportByteLength) +
                Member("output", event.caps.OutputReportByteLength) +
                Member("feature", event.caps.FeatureReportByteLength);
      }
      break;
    case EventKind::Write:
    case EventKind::Read:
      if (worked) {
        line += Member("bytes", "\"");  // hexadecimal needs no escaping
        AppendHex(line, event.bytes);
        line += '"';
      }
      break;
    case EventKind::WriteFailed:
      break;
  }
  return line + "}";
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
    const std::optional<JsonValue> object = ParseJson(line, error);
    Event event;
    if (object) error = EventReader(*object).Read(event);
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
