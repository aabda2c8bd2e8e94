// The one-line transfer progress the console host redraws on a terminal: blocks sent, percent,
// rate and time left, rewritten in place with a carriage return (or written as lines).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "res/names.h"

namespace kr55le::console {

inline constexpr auto kProgressRedrawInterval = std::chrono::milliseconds(100);

// Redrawn: one line rewritten in place, for a terminal. Lines: each drawing a line of its own
// after name::kProgressLinePrefix, for a program that reads the stream.
enum class ProgressStyle { None, Redrawn, Lines };

struct ProgressFigures {
  std::uint32_t sent = 0;
  std::uint32_t total = 0;
  std::optional<double> bytesPerSecond;  // nothing until a rate can be told
};

std::string FormatProgress(const ProgressFigures& figures);

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProgressLine(std::FILE* terminal, ProgressStyle style = ProgressStyle::Redrawn)
      : terminal_(terminal), style_(style) {}

  // Draws `sent` of `total` blocks: at most once a redraw interval, but always the first
  // drawing, the last block and the first after Finish. The rate counts from the first block.
  void Show(std::uint32_t sent, std::uint32_t total, Clock::time_point now = Clock::now());
  // Ends a drawn line where it stands, so that other output starts on a line of its own.
  void Finish();

 private:
  void Draw(const std::string& text);

  std::FILE* terminal_;
  ProgressStyle style_;
  std::uint32_t firstBlock_ = 0;
  std::optional<Clock::time_point> firstBlockAt_;
  std::optional<Clock::time_point> drawnAt_;  // none before the first drawing after Finish
  std::size_t drawnLength_ = 0;               // 0 when nothing is drawn, or drawn as whole lines
};

}  // namespace kr55le::console
