#include "platform/console/child_process.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "tests/support/eventually.h"

namespace kr55le::console {
namespace {

TEST(LineAssembler, CutsLinesWhereverTheChunksEnd) {
  const struct {
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
  } cases[] = {
      {{"one\ntwo\n"}, {"one", "two"}},
      {{"on", "e\nt", "wo\n"}, {"one", "two"}},
      {{"crlf\r\n", "\r", "\n"}, {"crlf", ""}},
      {{"no end"}, {"no end"}},  // the rest counts at the end
      {{"\n\n"}, {"", ""}},
      {{"a\r"}, {"a\r"}},  // a lone carriage return is text
      {{}, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines;
    LineAssembler assembler([&lines](std::string line) { lines.push_back(std::move(line)); });
    for (const std::string& chunk : c.chunks) assembler.Add(chunk.data(), chunk.size());
    assembler.Finish();
    EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(c.chunks);
  }
}

#ifndef _WIN32
// What a child wrote on each stream, as its sinks receive it.
struct Received {
  std::mutex mutex;
  std::vector<std::string> output;
  std::vector<std::string> errors;
  int ended = 0;

  ChildSinks Sinks() {
    return {.line =
                [this](ChildStream stream, std::string line) {
                  const std::lock_guard lock(mutex);
                  (stream == ChildStream::Output ? output : errors).push_back(std::move(line));
                },
            .ended =
                [this](ChildStream) {
                  const std::lock_guard lock(mutex);
                  ++ended;
                }};
  }
};

TEST(ChildProcess, GivesBothStreamsLineByLineAndTheExitStatus) {
  Received received;
  std::string error;
  auto child = StartChild("/bin/sh", {"-c", "echo out; echo err >&2; printf last; exit 3"},
                          received.Sinks(), error);
  ASSERT_NE(child, nullptr) << error;
  EXPECT_EQ(child->Wait(), 3);
  EXPECT_EQ(received.output, (std::vector<std::string>{"out", "last"}));
  EXPECT_EQ(received.errors, (std::vector<std::string>{"err"}));
  EXPECT_EQ(received.ended, 2);
}

TEST(ChildProcess, PassesCtrlCOnAndTellsAStartThatFailed) {
  Received received;
  std::string error;
  auto child = StartChild(
      "/bin/sh",
      {"-c", "trap 'echo pressed; exit 5' INT; echo ready; while :; do sleep 0.01; done"},
      received.Sinks(), error);
  ASSERT_NE(child, nullptr) << error;
  ASSERT_TRUE(kr55le::testing::Eventually([&] {
    const std::lock_guard lock(received.mutex);
    return !received.output.empty();
  }));
  child->Interrupt();
  EXPECT_EQ(child->Wait(), 5);
  EXPECT_EQ(received.output, (std::vector<std::string>{"ready", "pressed"}));

  EXPECT_EQ(StartChild("/nonexistent/program", {}, received.Sinks(), error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST(ChildProcess, OutOfDescriptorsNoChildStartsAndTheErrorSaysWhy) {
  // A limit at the lowest free descriptor: no new one can be made, the streams' pipes included.
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  const int lowestFree = ::dup(STDIN_FILENO);
  ASSERT_GE(lowestFree, 0);
  ::close(lowestFree);
  rlimit lowered = limit;
  lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  Received received;
  std::string error;
  const auto child = StartChild("/bin/true", {}, received.Sinks(), error);
  ::setrlimit(RLIMIT_NOFILE, &limit);
  EXPECT_EQ(child, nullptr);
  EXPECT_EQ(error, std::strerror(EMFILE));
}
#endif

}  // namespace
}  // namespace kr55le::console
