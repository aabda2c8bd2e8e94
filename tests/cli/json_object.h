// A strict reader for the flat JSON objects the device commands of kr55le-flash print: members
// whose values are strings or arrays of strings, no spaces, a newline at the end. Anything else
// does not parse.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kr55le::testing {

using JsonValue = std::variant<std::string, std::vector<std::string>>;
using JsonObject = std::map<std::string, JsonValue>;

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : text_(text) {}

  std::optional<JsonObject> Object() {
    JsonObject object;
    bool ok = Take('{');
    while (ok && !Take('}')) {
      if (!object.empty()) ok = Take(',');
      std::string key;
      JsonValue value;
      ok = ok && String(key) && Take(':') && Value(value) && object.emplace(key, value).second;
    }
    if (!ok || !Take('\n') || at_ != text_.size()) return {};
    return object;
  }

 private:
  bool Value(JsonValue& value) {
    if (Peek() == '"') {
      std::string text;
      value = text;
      return String(std::get<std::string>(value));
    }
    if (Take('[')) {
      std::vector<std::string> items;
      while (!Take(']')) {
        if (!items.empty() && !Take(',')) return false;
        if (!String(items.emplace_back())) return false;
      }
      value = items;
      return true;
    }
    return false;
  }

  bool String(std::string& value) {
    if (!Take('"')) return false;
    constexpr std::string_view kSimple = "\"\\/bfnrt";
    constexpr std::string_view kMeaning = "\"\\/\b\f\n\r\t";
    while (at_ < text_.size() && text_[at_] != '"') {
      const char character = text_[at_++];
      if (static_cast<unsigned char>(character) < ' ' || at_ >= text_.size()) return false;
      if (character != '\\') {
        value += character;
      } else if (const auto found = kSimple.find(text_[at_]); found != std::string_view::npos) {
        value += kMeaning[found];
        ++at_;
      } else if (text_.substr(at_, 3) == "u00" && at_ + 5 <= text_.size()) {
        value += static_cast<char>(std::stoi(std::string(text_.substr(at_ + 3, 2)), nullptr, 16));
        at_ += 5;
      } else {
        return false;
      }
    }
    return Take('"');
  }

  char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool Take(char expected) {
    if (Peek() != expected) return false;
    ++at_;
    return true;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace kr55le::testing
