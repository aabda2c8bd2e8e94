#include "platform/console/progress_board.h"

namespace kr55le::console {
namespace {

constexpr const char* kCursorUpFormat = "\x1b[%zuA";
constexpr const char* kEraseBelow = "\r\x1b[J";
constexpr const char* kEraseToLineEnd = "\x1b[K";

}  // namespace

void ProgressBoard::Set(std::size_t row, std::string text) {
  if (row >= rows_.size()) rows_.resize(row + 1);
  rows_[row] = std::move(text);
  Clear();
  Draw();
}

void ProgressBoard::Clear() {
  if (drawnLines_ == 0) return;
  std::fprintf(terminal_, kCursorUpFormat, drawnLines_);
  std::fputs(kEraseBelow, terminal_);
  std::fflush(terminal_);
  drawnLines_ = 0;
}

void ProgressBoard::Draw() {
  if (drawnLines_ > 0) return;
  for (const std::string& row : rows_) {
    if (row.empty()) continue;
    std::fprintf(terminal_, "%s%s\n", row.c_str(), kEraseToLineEnd);
    ++drawnLines_;
  }
  std::fflush(terminal_);
}

}  // namespace kr55le::console
