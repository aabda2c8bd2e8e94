#include "upgrade/path_display.h"

#include <gtest/gtest.h>

#include <vector>

namespace kr55le {
namespace {

std::vector<std::size_t> LineLengths(const std::string& shown) {
  std::vector<std::size_t> lengths;
  std::size_t start = 0;
  for (std::size_t at; (at = shown.find("\r\n", start)) != std::string::npos; start = at + 2) {
    lengths.push_back(at - start);
  }
  lengths.push_back(shown.size() - start);
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

TEST(PathDisplay, TypedTextKeepsItsCaseAndLosesOnlyLineBreaks) {
  EXPECT_EQ(PathFromDisplay("/home/Ann/Images/KR55.bin"), "/home/Ann/Images/KR55.bin");
  EXPECT_EQ(PathFromDisplay("/home/a\nb/c\r\n.bin"), "/home/ab/c.bin");
  EXPECT_EQ(PathFromDisplay(" "), " ");
}

}  // namespace
}  // namespace kr55le
