// Several progress lines at once on a terminal, one a row, redrawn in place with the cursor
// moves of a VT100-style terminal; other output goes above them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kr55le::console {

class ProgressBoard {
 public:
  explicit ProgressBoard(std::FILE* terminal) : terminal_(terminal) {}

  // Sets a row's text and redraws; rows without text take no line.
  void Set(std::size_t row, std::string text);
  // Takes the board off the screen, so that other output takes its place.
  void Clear();
  // Draws the board below whatever was written since Clear.
  void Draw();

 private:
  std::FILE* terminal_;
  std::vector<std::string> rows_;
  std::size_t drawnLines_ = 0;
};

}  // namespace kr55le::console
