#include "record/latin1_json.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

namespace kr55le {
namespace {

constexpr unsigned char kFirstNonAscii = 0x80;
constexpr unsigned char kLastLatin1Lead = 0xC3;  // the UTF-8 lead of U+00C0-U+00FF
constexpr unsigned kSixBits = 0x3F;
constexpr unsigned kTwoByteLead = 0xC0;
constexpr unsigned kContinuation = 0x80;
constexpr unsigned kNibbleBits = 4;
constexpr unsigned kNibbleMask = 0x0F;
constexpr char kHexDigits[] = "0123456789abcdef";

enum class Scan { Plain, Escaped, NotJson, TooDeep };

// One pass over a line before nlohmann reads it, for what the format refused or kept and
// nlohmann would not:
// - a byte outside ASCII written as it stands (by hand: the writer escapes each) was that byte
//   inside a string: it is made \u00XX in `escaped` (Escaped), which Latin1Bytes turns back
//   into the byte; after a backslash it is left for nlohmann to refuse;
// - such a byte elsewhere (nlohmann would pass over a byte order mark), or a NUL anywhere
//   (nlohmann would end the input there), was no JSON (NotJson);
// - containers nested deeper than the format takes are refused at once (TooDeep): nlohmann would
//   go on to the end of the line, keeping a pointer a level (600 MB for a 39 MB line of '[').
//   The parser callback still holds every value, a container's content too, to the depth.
Scan Prepare(std::string_view text, std::string& escaped) {
  bool raw = false;
  bool inString = false;
  bool afterBackslash = false;
  std::size_t depth = 0;
  for (std::size_t index = 0; index < text.size(); ++index) {
    const char c = text[index];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\0') return Scan::NotJson;
    if (byte >= kFirstNonAscii && !afterBackslash) {
      if (!inString) return Scan::NotJson;
      if (!raw) escaped.assign(text.substr(0, index));
      raw = true;
      escaped += "\\u00";
      escaped += kHexDigits[byte >> kNibbleBits];
      escaped += kHexDigits[byte & kNibbleMask];
      continue;
    }
    if (raw) escaped += c;
    if (afterBackslash) {
      afterBackslash = false;
    } else if (inString) {
      afterBackslash = c == '\\';
      inString = c != '"';
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth + 1) return Scan::TooDeep;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return raw ? Scan::Escaped : Scan::Plain;
}

}  // namespace

nlohmann::ordered_json Latin1Json(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstNonAscii) {
      text += c;
    } else {
      text += static_cast<char>(kTwoByteLead | (byte >> 6));
      text += static_cast<char>(kContinuation | (byte & kSixBits));
    }
  }
  return text;
}

std::string Latin1Bytes(const nlohmann::json& string) {
  // The parser has checked the UTF-8: a lead byte of U+0080-U+00FF has its continuation.
  const auto& text = string.get_ref<const std::string&>();
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t index = 0; index < text.size(); ++index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    if (byte >= kTwoByteLead && byte <= kLastLatin1Lead && index + 1 < text.size()) {
      bytes += static_cast<char>(((byte & ~kTwoByteLead) << 6) |
                                 (static_cast<unsigned char>(text[++index]) & kSixBits));
    } else {
      bytes += text[index];
    }
  }
  return bytes;
}

std::string DumpJson(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', /*ensure_ascii=*/true);
}

nlohmann::json ParseJsonBounded(std::string_view text, std::string& error) {
  std::string escaped;
  switch (Prepare(text, escaped)) {
    case Scan::Plain:
      break;
    case Scan::Escaped:
      text = escaped;
      break;
    case Scan::NotJson:
      error = "not JSON";
      return nlohmann::json(nlohmann::json::value_t::discarded);
    case Scan::TooDeep:
      error = "nesting too deep";
      return nlohmann::json(nlohmann::json::value_t::discarded);
  }
  bool tooDeep = false;
  // The names each open object has had, by the depth of its members.
  std::vector<std::set<std::string>> names;
  const auto bound = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
    const auto level = static_cast<std::size_t>(depth);
    if (level > kMaxJsonDepth) {
      tooDeep = true;
      return false;
    }
    if (event == nlohmann::json::parse_event_t::object_start) {
      names.resize(std::max(names.size(), level + 2));
      names[level + 1].clear();
    } else if (event == nlohmann::json::parse_event_t::key) {
      if (!names[level].insert(parsed.get_ref<const std::string&>()).second) return false;
    }
    return true;
  };
  nlohmann::json value = nlohmann::json::parse(text, bound, /*allow_exceptions=*/false);
  if (tooDeep) {
    error = "nesting too deep";
    value = nlohmann::json(nlohmann::json::value_t::discarded);
  } else if (value.is_discarded()) {
    error = "not JSON";
  }
  return value;
}

}  // namespace kr55le
