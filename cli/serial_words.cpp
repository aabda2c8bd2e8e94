#include "cli/serial_words.h"

#include <algorithm>

#include "sim/payload_dump.h"

namespace kr55le {
namespace {

constexpr char kReplacement = '_';
constexpr char kNumberMark = '~';
constexpr unsigned char kFirstNonAscii = 0x80;
constexpr unsigned char kUtf8LeadOfTwo = 0xC0;
constexpr unsigned char kUtf8Continuation = 0x80;
constexpr unsigned char kUtf8LowBits = 0x3F;
constexpr int kUtf8ContinuationBits = 6;

bool KeptInName(char c) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  return letter || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

char FoldedCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string SerialWord(std::string_view serial) {
  std::string word;
  for (const char c : serial) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstNonAscii) {
      word += c;
      continue;
    }
    word += static_cast<char>(kUtf8LeadOfTwo | (byte >> kUtf8ContinuationBits));
    word += static_cast<char>(kUtf8Continuation | (byte & kUtf8LowBits));
  }
  return word;
}

std::string DeviceFileNames::For(std::string_view serial) {
  std::string part(serial);
  std::replace_if(
      part.begin(), part.end(), [](char c) { return !KeptInName(c); }, kReplacement);
  std::string name = part.empty() ? std::string() : sim::DumpPathOf(path_, part);
  for (unsigned number = 1; name.empty() || Given(name); ++number) {
    name = sim::DumpPathOf(path_, part + kNumberMark + std::to_string(number));
  }
  given_.push_back(name);
  return name;
}

bool DeviceFileNames::Given(const std::string& name) const {
  return std::any_of(given_.begin(), given_.end(), [&name](const std::string& given) {
    return std::equal(given.begin(), given.end(), name.begin(), name.end(),
                      [](char a, char b) { return FoldedCase(a) == FoldedCase(b); });
  });
}

}  // namespace kr55le
