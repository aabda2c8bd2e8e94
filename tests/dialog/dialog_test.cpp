#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog/bounded_wait.h"
#include "dialog/path_display.h"

namespace kr55le {
namespace {

struct Polls {
  int asked = 0;    // times the wait asked whether its answer had come
  int between = 0;  // passes between polls (message pumps)
};

// A wait answered at its `answerAt`-th poll and ended after its `endAfter`-th pass (0: never).
WaitEnd RunWait(PollCounter& counter, int answerAt, int endAfter, Polls& polls) {
  return PollUntil(
      counter, [&] { return ++polls.asked == answerAt; },
      [&] { return endAfter > 0 && polls.between >= endAfter; }, [&] { ++polls.between; });
}

TEST(BoundedWait, EndsOnItsAnswerItsConditionOrItsWholeBound) {
  const struct {
    const char* name;
    PollBound bound = {.inner = 3, .outer = 2};
    int answerAt = 0;
    int endAfter = 0;
    WaitEnd end;
    Polls polls;
  } cases[] = {
      {.name = "AnswerBeforeThePass",
       .answerAt = 1,
       .end = WaitEnd::Answered,
       .polls = {.asked = 1, .between = 0}},
      {.name = "AnswerOnTheLastPoll",
       .answerAt = 6,
       .end = WaitEnd::Answered,
       .polls = {.asked = 6, .between = 5}},
      {.name = "BoundIsInnerTimesOuter",
       .end = WaitEnd::Exhausted,
       .polls = {.asked = 6, .between = 6}},
      {.name = "SinglePollBound",
       .bound = {.inner = 1, .outer = 1},
       .end = WaitEnd::Exhausted,
       .polls = {.asked = 1, .between = 1}},
      {.name = "ConditionSeenRightAfterThePass",
       .endAfter = 2,
       .end = WaitEnd::Ended,
       .polls = {.asked = 2, .between = 2}},
  };
  for (const auto& c : cases) {
    PollCounter counter(c.bound);  // the row outlives the counter
    Polls polls;
    EXPECT_EQ(RunWait(counter, c.answerAt, c.endAfter, polls), c.end) << c.name;
    EXPECT_EQ(polls.asked, c.polls.asked) << c.name;
    EXPECT_EQ(polls.between, c.polls.between) << c.name;
  }
}

TEST(BoundedWait, AContinuedWaitSharesTheOuterCount) {
  const PollBound check{2, 3};
  const std::uint64_t startInner = 4;
  PollCounter counter(check);
  Polls first;
  ASSERT_EQ(RunWait(counter, 3, 0, first), WaitEnd::Answered);  // two polls: one outer pass spent
  counter.ContinueWithInner(startInner);
  Polls second;
  // The inner count goes on from where the first wait left it (0 after its rollover): two
  // outer passes of four polls remain.
  EXPECT_EQ(RunWait(counter, 0, 0, second), WaitEnd::Exhausted);
  EXPECT_EQ(second.between, 8);
}

TEST(WaitBounds, ScalingMultipliesEachTotalRoundingUpToAtLeastOnePoll) {
  const WaitBounds defaults;
  struct Case {
    double factor;
    std::uint64_t deviceInfo;
    std::uint64_t browseTotal;
    std::uint64_t ackTotal;
  };
  const Case cases[] = {
      {.factor = 0.5,
       .deviceInfo = 0x80000000,
       .browseTotal = 0xFFFFFull * 10,
       .ackTotal = 2147352613},
      {.factor = 1e-12, .deviceInfo = 1, .browseTotal = 1, .ackTotal = 1},
  };
  for (const auto& c : cases) {
    const WaitBounds scaled = ScaleWaitBounds(defaults, c.factor);
    EXPECT_EQ(scaled.deviceInfo, c.deviceInfo) << c.factor;
    EXPECT_GE(scaled.browseCheck.Total(), c.browseTotal) << c.factor;
    EXPECT_LT(scaled.browseCheck.Total(), c.browseTotal + scaled.browseCheck.outer) << c.factor;
    EXPECT_GE(scaled.acknowledgement.Total(), c.ackTotal) << c.factor;
    EXPECT_GE(scaled.startInner, 1u);
  }
}

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
