#include "dialog/path_display.h"

#include <algorithm>

#include "res/names.h"

namespace kr55le {
namespace {

constexpr std::size_t kBreakPositions[] = {77, 150, 225, 300};
constexpr unsigned char kContinuationMask = 0xC0;  // UTF-8: 10xxxxxx continues a character
constexpr unsigned char kContinuationBits = 0x80;

bool StartsCharacter(char byte) {
  return (static_cast<unsigned char>(byte) & kContinuationMask) != kContinuationBits;
}

// The byte offset of character `position` (counted in code points), or npos when the text has
// no character there.
std::size_t OffsetOfCharacter(const std::string& text, std::size_t position) {
  std::size_t characters = 0;
  for (std::size_t offset = 0; offset < text.size(); ++offset) {
    if (!StartsCharacter(text[offset])) continue;
    if (characters == position) return offset;
    ++characters;
  }
  return std::string::npos;
}

}  // namespace

std::string BreakPathForDisplay(std::string path) {
  // Positions count characters, not bytes, so that a break never splits a letter's bytes.
  for (std::size_t position : kBreakPositions) {
    const std::size_t offset = OffsetOfCharacter(path, position);
    if (offset != std::string::npos) path.insert(offset, name::kPathLineBreak);
  }
  return path;
}

std::string PathFromDisplay(const std::string& shown) {
  std::string path = shown;
  path.erase(
      std::remove_if(path.begin(), path.end(), [](char c) { return c == '\r' || c == '\n'; }),
      path.end());
  return path;
}

}  // namespace kr55le
