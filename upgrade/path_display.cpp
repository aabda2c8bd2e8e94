#include "upgrade/path_display.h"

#include <algorithm>

#include "res/strings.h"

namespace kr55le {
namespace {
constexpr std::size_t kBreakPositions[] = {77, 150, 225, 300};
}

std::string BreakPathForDisplay(std::string path) {
  for (std::size_t position : kBreakPositions) {
    if (path.size() > position) path.insert(position, text::kPathLineBreak);
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
