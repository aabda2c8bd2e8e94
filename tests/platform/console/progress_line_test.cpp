#include "platform/console/progress_line.h"

#include <gtest/gtest.h>

#include "platform/console/progress_board.h"
#include "tests/support/memory_stream.h"

namespace kr55le::console {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

TEST(ProgressLine, FormatsBlocksPercentRateAndTimeLeft) {
  constexpr double kOneBlockPerSecond = 1008;
  const struct {
    ProgressFigures figures;
    const char* line;
  } cases[] = {
      {{.sent = 1, .total = 2081, .bytesPerSecond = std::nullopt}, "1/2081 blocks, 0 %"},
      {{.sent = 0, .total = 0, .bytesPerSecond = std::nullopt}, "0/0 blocks, 0 %"},
      // No rate to tell yet: no time left either.
      {{.sent = 5, .total = 10, .bytesPerSecond = 0.0}, "5/10 blocks, 50 %"},
      {{.sent = 50, .total = 100, .bytesPerSecond = kOneBlockPerSecond},
       "50/100 blocks, 50 %, 1.0 KiB/s, 0:50 left"},
      {{.sent = 10, .total = 200, .bytesPerSecond = kOneBlockPerSecond},
       "10/200 blocks, 5 %, 1.0 KiB/s, 3:10 left"},
      {{.sent = 2081, .total = 2081, .bytesPerSecond = 2e6},
       "2081/2081 blocks, 100 %, 1953.1 KiB/s, 0:00 left"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatProgress(c.figures), c.line);
}

// Each step: `sent` of `total` blocks shown at `at`, or Finish() where `total` is 0.
struct Step {
  std::uint32_t sent;
  std::uint32_t total;
  milliseconds at{};
};
constexpr Step kFinish{0, 0};

TEST(ProgressLine, RedrawsAtMostOnceAnIntervalAndEndsOnlyADrawnLine) {
  const struct {
    const char* name;
    ProgressStyle style;
    std::vector<Step> steps;
    const char* text;
  } cases[] = {
      // Too soon is not drawn; one block a second since the first; the last, however soon.
      {"interval",
       ProgressStyle::Redrawn,
       {{1, 4}, {2, 4, 1ms}, {3, 4, 2s}, {4, 4, 2001ms}, kFinish},
       "\r1/4 blocks, 25 %\r3/4 blocks, 75 %, 1.0 KiB/s, 0:01 left"
       "\r4/4 blocks, 100 %, 1.5 KiB/s, 0:00 left\n"},
      {"pads over a longer line",
       ProgressStyle::Redrawn,
       {{1, 100}, {51, 100, 1s}, {52, 100, 100s}},
       "\r1/100 blocks, 1 %\r51/100 blocks, 51 %, 49.2 KiB/s, 0:01 left"
       "\r52/100 blocks, 52 %, 0.5 KiB/s, 1:34 left "},
      // Nothing drawn, nothing to end; after Finish, a new transfer: a new line and a new rate.
      {"a new transfer",
       ProgressStyle::Redrawn,
       {kFinish, {9, 10}, {10, 10, 1s}, kFinish, {1, 10, 5s}, {2, 10, 6s}},
       "\r9/10 blocks, 90 %\r10/10 blocks, 100 %, 1.0 KiB/s, 0:00 left\n"
       "\r1/10 blocks, 10 %\r2/10 blocks, 20 %, 1.0 KiB/s, 0:08 left"},
      // For a program that reads the stream: each drawing a line of its own, as seldom; a whole
      // interval later is due.
      {"lines",
       ProgressStyle::Lines,
       {{1, 4}, {2, 4, 1ms}, {3, 4, 100ms}, {4, 4, 2s}, kFinish, {1, 4, 3s}},
       "progress: 1/4 blocks, 25 %\nprogress: 3/4 blocks, 75 %, 19.7 KiB/s, 0:00 left\n"
       "progress: 4/4 blocks, 100 %, 1.5 KiB/s, 0:00 left\nprogress: 1/4 blocks, 25 %\n"},
      // The last block in the same instant as the first: no time has passed to give a rate.
      {"no time",
       ProgressStyle::Lines,
       {{1, 2}, {2, 2}},
       "progress: 1/2 blocks, 50 %\nprogress: 2/2 blocks, 100 %\n"},
  };
  for (const auto& c : cases) {
    testing::MemoryStream stream;
    ProgressLine line(stream.file(), c.style);
    for (const Step& step : c.steps) {
      if (step.total == 0) {
        line.Finish();
      } else {
        line.Show(step.sent, step.total, ProgressLine::Clock::time_point{} + step.at);
      }
    }
    EXPECT_EQ(stream.Text(), c.text) << c.name;
  }
}

TEST(ProgressBoard, RedrawsItsRowsInPlaceBelowOtherOutput) {
  testing::MemoryStream stream;
  ProgressBoard board(stream.file());
  board.Set(1, "B 10 %");
  board.Set(0, "A 5 %");
  board.Clear();
  std::fputs("a line\n", stream.file());
  board.Draw();
  board.Set(0, "");  // a row without text takes no line
  board.Clear();
  board.Clear();
  EXPECT_EQ(stream.Text(),
            "B 10 %\x1b[K\n"
            "\x1b[1A\r\x1b[JA 5 %\x1b[K\nB 10 %\x1b[K\n"
            "\x1b[2A\r\x1b[Ja line\nA 5 %\x1b[K\nB 10 %\x1b[K\n"
            "\x1b[2A\r\x1b[JB 10 %\x1b[K\n"
            "\x1b[1A\r\x1b[J");
}

// Each row just past the last, starting with the first on an empty board.
TEST(ProgressBoard, ShowsARowAddedBelowTheLast) {
  testing::MemoryStream stream;
  ProgressBoard board(stream.file());
  board.Set(0, "A");
  board.Set(1, "B");
  EXPECT_EQ(stream.Text(), "A\x1b[K\n\x1b[1A\r\x1b[JA\x1b[K\nB\x1b[K\n");
}

}  // namespace
}  // namespace kr55le::console
