#include "cli/terminal_text.h"

#include <cstdint>
#include <cstdio>

namespace kr55le {
namespace {

constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstNonAscii = 0x80;
// A C1 control (U+0080 to U+009F) in UTF-8: this lead byte, then 0x80 to 0x9F.
constexpr unsigned char kC1Lead = 0xC2;
constexpr unsigned char kC1Last = 0x9F;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuation = 0x80;
constexpr std::size_t kEscapeCapacity = 8;

struct Sequence {
  unsigned char leadMask;
  unsigned char lead;
  std::size_t length;
  std::uint32_t lowest;  // the lowest code point this length may carry: shorter is overlong
};
constexpr Sequence kSequences[] = {
    {0xE0, 0xC0, 2, 0x80},
    {0xF0, 0xE0, 3, 0x800},
    {0xF8, 0xF0, 4, 0x10000},
};
constexpr std::uint32_t kHighestCodePoint = 0x10FFFF;
constexpr std::uint32_t kFirstSurrogate = 0xD800;
constexpr std::uint32_t kLastSurrogate = 0xDFFF;
constexpr unsigned kBitsPerContinuation = 6;

void AppendEscaped(std::string& out, unsigned char byte) {
  char escape[kEscapeCapacity];
  std::snprintf(escape, sizeof escape, "\\x%02x", byte);
  out += escape;
}

// The length of the valid UTF-8 sequence of two or more bytes at `at`; 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  for (const Sequence& sequence : kSequences) {
    if ((lead & sequence.leadMask) != sequence.lead) continue;
    if (at + sequence.length > text.size()) return 0;
    std::uint32_t codePoint = lead & static_cast<unsigned char>(~sequence.leadMask);
    for (std::size_t index = 1; index < sequence.length; ++index) {
      const auto next = static_cast<unsigned char>(text[at + index]);
      if ((next & kContinuationMask) != kContinuation) return 0;
      codePoint = (codePoint << kBitsPerContinuation) |
                  (next & static_cast<unsigned char>(~kContinuationMask));
    }
    const bool valid = codePoint >= sequence.lowest && codePoint <= kHighestCodePoint &&
                       (codePoint < kFirstSurrogate || codePoint > kLastSurrogate);
    return valid ? sequence.length : 0;
  }
  return 0;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < kFirstNonAscii) {
      if (byte < kFirstPrintable || byte == kDelete) {
        AppendEscaped(out, byte);
      } else {
        out += static_cast<char>(byte);
      }
      ++at;
      continue;
    }
    const std::size_t length = SequenceLength(text, at);
    const bool c1 =
        length == 2 && byte == kC1Lead && static_cast<unsigned char>(text[at + 1]) <= kC1Last;
    if (length == 0 || c1) {
      // An invalid byte alone: the next one may start a valid sequence.
      const std::size_t escaped = c1 ? length : 1;
      for (std::size_t index = 0; index < escaped; ++index) {
        AppendEscaped(out, static_cast<unsigned char>(text[at + index]));
      }
      at += escaped;
      continue;
    }
    out.append(text.substr(at, length));
    at += length;
  }
  return out;
}

}  // namespace kr55le
