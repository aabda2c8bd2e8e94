// The little JSON a session recording needs: strings written so that any bytes survive, and a
// reader for one value, bounded in depth, for files that come from elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kr55le {

// `text` as a JSON string, quoted and escaped. Bytes outside ASCII are read as Latin-1, so that
// any bytes (a device's or a file's) give valid JSON, and ParseJson gives the same bytes back.
std::string JsonString(std::string_view text);

struct JsonValue {
  enum class Type { Null, Boolean, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text{};  // a string's bytes: \u00XX is byte XX, a higher code point its UTF-8
  std::vector<JsonValue> items{};
  std::vector<std::pair<std::string, JsonValue>> members{};

  // The member named `key` of an object, or null.
  const JsonValue* Find(std::string_view key) const;
};

inline constexpr std::size_t kMaxJsonDepth = 16;

// One JSON value filling `text` (blanks around it aside); nothing, with `error` saying what and
// where, when it is not one.
std::optional<JsonValue> ParseJson(std::string_view text, std::string& error);

}  // namespace kr55le
