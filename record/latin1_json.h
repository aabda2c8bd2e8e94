// JSON texts of any bytes, on nlohmann/json. A text is stored as the code points U+0000-U+00FF
// of its bytes (each read as Latin-1) and dumped ASCII only, so that a byte outside ASCII is
// written \u00XX and any bytes (a device's or a file's) give valid JSON that reads back the same.
// And the reader of one value from a file that comes from elsewhere, bounded in depth.
#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace kr55le {

inline constexpr std::size_t kMaxJsonDepth = 16;

// `bytes` as a JSON string value: one code point a byte.
nlohmann::ordered_json Latin1Json(std::string_view bytes);

// A string value's bytes: a code point up to U+00FF is that byte, a higher one its UTF-8.
std::string Latin1Bytes(const nlohmann::json& string);

// `value` on one line, without blanks, every character outside printable ASCII escaped.
std::string DumpJson(const nlohmann::ordered_json& value);

// One JSON value filling `text` (blanks around it aside), containers nested at most
// kMaxJsonDepth deep below it; a discarded value, with `error` saying why, when it is not one.
// Bytes outside ASCII written as they are inside a string are that string's bytes. Of a member
// given twice, the first counts. Throws nothing.
nlohmann::json ParseJsonBounded(std::string_view text, std::string& error);

}  // namespace kr55le
