#include "dialog/bounded_wait.h"

#include <gtest/gtest.h>

namespace kr55le {
namespace {

struct Polls {
  int asked = 0;    // times the wait asked whether its answer had come
  int between = 0;  // passes between polls (message pumps)
};

// A wait whose answer comes on the `answerAt`-th question and whose end condition turns true
// after the `endAfter`-th pass between polls (0: never).
WaitEnd RunWait(PollCounter& counter, int answerAt, int endAfter, Polls& polls) {
  return PollUntil(
      counter, [&] { return ++polls.asked == answerAt; },
      [&] { return endAfter > 0 && polls.between >= endAfter; }, [&] { ++polls.between; });
}

TEST(BoundedWait, EndsOnItsAnswerItsConditionOrItsWholeBound) {
  const struct {
    const char* name;
    PollBound bound;
    int answerAt;
    int endAfter;
    WaitEnd end;
    int asked;
    int between;
  } cases[] = {
      {"AnswerBeforeThePass", {3, 2}, 1, 0, WaitEnd::Answered, 1, 0},
      {"AnswerOnTheLastPoll", {3, 2}, 6, 0, WaitEnd::Answered, 6, 5},
      {"BoundIsInnerTimesOuter", {3, 2}, 0, 0, WaitEnd::Exhausted, 6, 6},
      {"SinglePollBound", {1, 1}, 0, 0, WaitEnd::Exhausted, 1, 1},
      {"ConditionSeenRightAfterThePass", {3, 2}, 0, 2, WaitEnd::Ended, 2, 2},
  };
  for (const auto& c : cases) {
    PollCounter counter(c.bound);  // the row outlives the counter
    Polls polls;
    EXPECT_EQ(RunWait(counter, c.answerAt, c.endAfter, polls), c.end) << c.name;
    EXPECT_EQ(polls.asked, c.asked) << c.name;
    EXPECT_EQ(polls.between, c.between) << c.name;
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

}  // namespace
}  // namespace kr55le
