#include "platform/console/progress_line.h"

#include <gtest/gtest.h>

#include "platform/console/progress_board.h"
#include "tests/support/memory_stream.h"

namespace kr55le::console {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

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

TEST(ProgressLine, RedrawsAtMostOnceAnIntervalButAlwaysTheLastBlock) {
  testing::MemoryStream stream;
  ProgressLine line(stream.file());
  const ProgressLine::Clock::time_point start{};
  line.Show(1, 4, start);
  line.Show(2, 4, start + milliseconds(1));               // too soon
  line.Show(3, 4, start + seconds(2));                    // one block a second since the first
  line.Show(4, 4, start + seconds(2) + milliseconds(1));  // the last, however soon
  line.Finish();
  EXPECT_EQ(stream.Text(),
            "\r1/4 blocks, 25 %"
            "\r3/4 blocks, 75 %, 1.0 KiB/s, 0:01 left"
            "\r4/4 blocks, 100 %, 1.5 KiB/s, 0:00 left\n");
}

TEST(ProgressLine, PadsOverWhatALongerLineLeft) {
  testing::MemoryStream stream;
  ProgressLine line(stream.file());
  const ProgressLine::Clock::time_point start{};
  line.Show(1, 100, start);
  line.Show(51, 100, start + seconds(1));
  line.Show(52, 100, start + seconds(100));
  EXPECT_EQ(stream.Text(),
            "\r1/100 blocks, 1 %"
            "\r51/100 blocks, 51 %, 49.2 KiB/s, 0:01 left"
            "\r52/100 blocks, 52 %, 0.5 KiB/s, 1:34 left ");
}

TEST(ProgressLine, EndsOnlyADrawnLineAndStartsAnewForANewTransfer) {
  testing::MemoryStream stream;
  ProgressLine line(stream.file());
  line.Finish();
  const ProgressLine::Clock::time_point start{};
  line.Show(9, 10, start);
  line.Show(10, 10, start + seconds(1));
  line.Finish();
  line.Show(1, 10, start + seconds(5));  // a new transfer: a new line and a new rate
  line.Show(2, 10, start + seconds(6));
  EXPECT_EQ(stream.Text(),
            "\r9/10 blocks, 90 %"
            "\r10/10 blocks, 100 %, 1.0 KiB/s, 0:00 left\n"
            "\r1/10 blocks, 10 %"
            "\r2/10 blocks, 20 %, 1.0 KiB/s, 0:08 left");
}

// For a program that reads the stream: each drawing a line of its own, as seldom as on a terminal.
TEST(ProgressLine, WritesEachDrawingAsALineOfItsOwnForAProgram) {
  testing::MemoryStream stream;
  ProgressLine line(stream.file(), ProgressStyle::Lines);
  const ProgressLine::Clock::time_point start{};
  line.Show(1, 4, start);
  line.Show(2, 4, start + milliseconds(1));  // too soon
  line.Show(4, 4, start + seconds(2));
  line.Finish();
  line.Show(1, 4, start + seconds(3));  // a new transfer
  EXPECT_EQ(stream.Text(),
            "progress: 1/4 blocks, 25 %\n"
            "progress: 4/4 blocks, 100 %, 1.5 KiB/s, 0:00 left\n"
            "progress: 1/4 blocks, 25 %\n");
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

}  // namespace
}  // namespace kr55le::console
