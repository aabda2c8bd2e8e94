#include "record/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kr55le {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kLastAscii = 0x7E;
constexpr std::size_t kEscapeCapacity = 8;
constexpr unsigned kLatin1Last = 0xFF;
constexpr unsigned kHexDigits = 4;
constexpr unsigned kHexBase = 16;
// UTF-8 for the code points of \uXXXX above Latin-1 (surrogates are taken as they stand).
constexpr unsigned kTwoByteLimit = 0x800;
constexpr unsigned kSixBits = 0x3F;
constexpr unsigned kContinuation = 0x80;
constexpr unsigned kTwoByteLead = 0xC0;
constexpr unsigned kThreeByteLead = 0xE0;

std::string Escaped(unsigned char byte) {
  switch (byte) {
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    case '\b':
      return "\\b";
    case '\f':
      return "\\f";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\t':
      return "\\t";
    default:
      break;
  }
  if (byte >= kFirstPrintable && byte <= kLastAscii) return std::string(1, static_cast<char>(byte));
  char escape[kEscapeCapacity];
  std::snprintf(escape, sizeof escape, "\\u%04x", byte);
  return escape;
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  std::optional<JsonValue> Document(std::string& error) {
    std::optional<JsonValue> value = Value(0);
    SkipBlanks();
    if (value && at_ != text_.size()) Fail("text after the value");
    if (!error_.empty()) {
      error = error_ + " at offset " + std::to_string(at_);
      return std::nullopt;
    }
    return value;
  }

 private:
  std::optional<JsonValue> Value(std::size_t depth) {
    if (depth > kMaxJsonDepth) return Fail("nesting too deep");
    SkipBlanks();
    if (at_ == text_.size()) return Fail("a value missing");
    const char c = text_[at_];
    if (c == '{') return Object(depth);
    if (c == '[') return Array(depth);
    if (c == '"') {
      JsonValue value{.type = JsonValue::Type::String};
      if (!String(value.text)) return std::nullopt;
      return value;
    }
    if (Word("true")) return JsonValue{.type = JsonValue::Type::Boolean, .boolean = true};
    if (Word("false")) return JsonValue{.type = JsonValue::Type::Boolean, .boolean = false};
    if (Word("null")) return JsonValue{};
    return Number();
  }

  std::optional<JsonValue> Object(std::size_t depth) {
    JsonValue object{.type = JsonValue::Type::Object};
    ++at_;
    SkipBlanks();
    if (Take('}')) return object;
    do {
      SkipBlanks();
      std::string key;
      if (at_ == text_.size() || text_[at_] != '"') return Fail("a member name missing");
      if (!String(key)) return std::nullopt;
      SkipBlanks();
      if (!Take(':')) return Fail("':' missing");
      std::optional<JsonValue> value = Value(depth + 1);
      if (!value) return std::nullopt;
      object.members.emplace_back(std::move(key), std::move(*value));
      SkipBlanks();
    } while (Take(','));
    if (!Take('}')) return Fail("'}' missing");
    return object;
  }

  std::optional<JsonValue> Array(std::size_t depth) {
    JsonValue array{.type = JsonValue::Type::Array};
    ++at_;
    SkipBlanks();
    if (Take(']')) return array;
    do {
      std::optional<JsonValue> value = Value(depth + 1);
      if (!value) return std::nullopt;
      array.items.push_back(std::move(*value));
      SkipBlanks();
    } while (Take(','));
    if (!Take(']')) return Fail("']' missing");
    return array;
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < kFirstPrintable)
        return Error("a control byte in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ == text_.size()) break;
      const char escape = text_[at_++];
      switch (escape) {
        case '"':
        case '\\':
        case '/':
          out += escape;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          if (!CodePoint(out)) return false;
          break;
        default:
          return Error("a bad escape");
      }
    }
    return Error("a string not closed");
  }

  bool CodePoint(std::string& out) {
    unsigned code = 0;
    if (text_.size() - at_ < kHexDigits) return Error("a short \\u escape");
    const auto [end, error] =
        std::from_chars(text_.data() + at_, text_.data() + at_ + kHexDigits, code, kHexBase);
    if (error != std::errc() || end != text_.data() + at_ + kHexDigits)
      return Error("a bad \\u escape");
    at_ += kHexDigits;
    if (code <= kLatin1Last) {
      out += static_cast<char>(code);
    } else if (code < kTwoByteLimit) {
      out += static_cast<char>(kTwoByteLead | (code >> 6));
      out += static_cast<char>(kContinuation | (code & kSixBits));
    } else {
      out += static_cast<char>(kThreeByteLead | (code >> 12));
      out += static_cast<char>(kContinuation | ((code >> 6) & kSixBits));
      out += static_cast<char>(kContinuation | (code & kSixBits));
    }
    return true;
  }

  std::optional<JsonValue> Number() {
    const char* start = text_.data() + at_;
    double number = 0;
    const auto [end, error] = std::from_chars(start, text_.data() + text_.size(), number);
    if (error != std::errc() || end == start || !std::isfinite(number)) return Fail("a bad value");
    at_ += static_cast<std::size_t>(end - start);
    return JsonValue{.type = JsonValue::Type::Number, .number = number};
  }

  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Take(char c) {
    if (at_ == text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }

  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  bool Error(const char* what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  std::nullopt_t Fail(const char* what) {
    Error(what);
    return std::nullopt;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string error_;
};

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json;
  json.reserve(text.size() + 2);
  json += '"';
  for (const char character : text) {
    const auto byte = static_cast<unsigned char>(character);
    if (byte >= kFirstPrintable && byte <= kLastAscii && byte != '"' && byte != '\\') {
      json += character;
    } else {
      json += Escaped(byte);
    }
  }
  json += '"';
  return json;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const auto& [name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

std::optional<JsonValue> ParseJson(std::string_view text, std::string& error) {
  return Reader(text).Document(error);
}

}  // namespace kr55le
