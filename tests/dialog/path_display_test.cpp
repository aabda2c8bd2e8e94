#include "dialog/path_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kr55le {
namespace {

std::vector<std::string> Lines(const std::string& shown) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = shown.find("\r\n", start)) != std::string::npos; start = at + 2) {
    lines.push_back(shown.substr(start, at - start));
  }
  lines.push_back(shown.substr(start));
  return lines;
}

// In characters: UTF-8 continuation bytes (10xxxxxx) do not count.
std::vector<std::size_t> LineLengths(const std::string& shown) {
  std::vector<std::size_t> lengths;
  for (const std::string& line : Lines(shown)) {
    lengths.push_back(static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) {
      return (static_cast<unsigned char>(c) >> 6) != 2;
    })));
  }
  return lengths;
}

TEST(PathDisplay, BreaksLongPathsAt77And150And225And300) {
  struct Case {
    std::size_t length;
    std::vector<std::size_t> lines;
  };
  const Case cases[] = {
      {10, {10}},
      {77, {77}},
      {78, {77, 1}},
      {150, {77, 71, 2}},
      {225, {77, 71, 73, 4}},
      {400, {77, 71, 73, 73, 106}},
  };
  for (const auto& c : cases) {
    std::string path(c.length, 'a');
    for (std::size_t i = 0; i < path.size(); i += 7) path[i] = '/';
    const std::string shown = BreakPathForDisplay(path);
    EXPECT_EQ(LineLengths(shown), c.lines) << c.length;
    EXPECT_EQ(PathFromDisplay(shown), path) << c.length;
  }
}

TEST(PathDisplay, CountsCharactersSoThatNoLetterIsSplit) {
  // Letters of two, three and four bytes from before the first break to past the second.
  for (const std::string letter : {"\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9D\x84\x9E"}) {
    std::string path(70, 'a');
    for (int i = 0; i < 90; ++i) path += letter;
    const std::string shown = BreakPathForDisplay(path);
    EXPECT_EQ(LineLengths(shown), (std::vector<std::size_t>{77, 71, 12})) << letter;
    for (const std::string& line : Lines(shown)) {
      EXPECT_TRUE(line.rfind(letter, 0) == 0 || line.front() == 'a') << letter;
    }
    EXPECT_EQ(PathFromDisplay(shown), path);
  }
}

TEST(PathDisplay, TypedTextKeepsItsCaseAndLosesOnlyLineBreaks) {
  EXPECT_EQ(PathFromDisplay("/home/Ann/Images/KR55.bin"), "/home/Ann/Images/KR55.bin");
  EXPECT_EQ(PathFromDisplay("/home/a\nb/c\r\n.bin"), "/home/ab/c.bin");
  EXPECT_EQ(PathFromDisplay(" "), " ");
}

}  // namespace
}  // namespace kr55le
