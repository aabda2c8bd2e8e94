// The runs of check --all, upgrade --all and upgrade --each: each device checked or upgraded by
// a run of this program of its own (--device with its path), their lines prefixed by serial
// number, a progress line a device redrawn below them on a terminal, then a summary.
#pragma once

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/device_command.h"
#include "cli/device_list.h"
#include "cli/serial_words.h"
#include "platform/console/child_process.h"
#include "platform/console/progress_board.h"

namespace kr55le {

// How often the wait for the runs' lines looks at Ctrl+C.
inline constexpr std::chrono::milliseconds kInterruptLook{100};

// What a device's run came to.
struct DeviceRunResult {
  std::string serial;
  std::string path;
  std::string result;       // a word of the string table
  std::string lastMessage;  // the run's last status text
  double seconds = 0;
};

// The arguments of the run for the device at `path`: the command, its image and the options that
// shape one run, with --device, --serial (the run checks that the device there is still this
// one) and, when given, --record with the run's own file.
std::vector<std::string> RunArgumentsFor(const FlashArguments& arguments, const std::string& path,
                                         const std::string& serial,
                                         const std::optional<std::string>& record);

// The summary: one row a device under a heading, or with `json` one array of objects.
void PrintSummary(const std::vector<DeviceRunResult>& results, std::FILE* out, bool json);

// Whether every result is done, and there is at least one.
bool AllDone(const std::vector<DeviceRunResult>& results);

// As many runs at once as the machine has processors: each run's waits poll, so each keeps a
// processor busy.
std::size_t RunsAtOnce();

// The runs of one command, driven from the main thread: runs added wait for their turn; Step
// starts them, passes Ctrl+C on and prints their lines.
class DeviceRuns {
 public:
  // `program` is this program; the runs' lines go to `out`, their errors and progress to
  // context.errors.
  DeviceRuns(const FlashArguments& arguments, const ConsoleContext& context, std::string program,
             std::FILE* out);
  ~DeviceRuns();
  DeviceRuns(const DeviceRuns&) = delete;
  DeviceRuns& operator=(const DeviceRuns&) = delete;

  // A run for the device, started by a later Step.
  void Add(const ListedDevice& device);

  // Passes each new Ctrl+C press on to every run, starts waiting runs while fewer than `atOnce`
  // run (none once a press came), and handles what the runs wrote for up to `wait`.
  void Step(std::size_t atOnce, std::chrono::milliseconds wait);

  std::size_t Running() const { return running_; }
  // Runs added and not started; after Ctrl+C they never are.
  bool Waiting() const { return next_ < runs_.size(); }
  // Whether Ctrl+C has been pressed since the runs were made.
  bool Interrupted() const;
  // Whether a run has started on the interface at `path` and not ended.
  bool Busy(const std::string& path) const;
  // What the runs that ended since the last call came to.
  std::vector<DeviceRunResult> TakeEnded();

  // Clears the progress lines and gives each run's result, in the order they were added.
  std::vector<DeviceRunResult> Finish();

 private:
  struct Run {
    DeviceRunResult result;
    std::optional<std::string> record;  // its own --record file
    std::unique_ptr<console::ChildProcess> child;
    int openStreams = 0;
    std::chrono::steady_clock::time_point start;
  };
  struct Event;
  class EventQueue;

  bool Start(std::size_t index);
  void PassOnInterrupts();
  bool Handle(const Event& event);
  void HandleLine(Run& run, const Event& event);
  void PrintAboveBoard(std::FILE* stream, const std::string& serial, const std::string& line);

  const FlashArguments& arguments_;
  const ConsoleContext& context_;
  std::string program_;
  std::FILE* out_;
  console::ProgressBoard board_;
  bool drawBoard_;
  bool interrupted_ = false;
  int passedOn_ = 0;
  std::size_t next_ = 0;
  std::size_t running_ = 0;
  std::vector<DeviceRunResult> ended_;
  std::optional<DeviceFileNames> recordNames_;
  // Before the runs, whose reader threads fill it until they are joined.
  std::unique_ptr<EventQueue> events_;
  std::deque<Run> runs_;
};

}  // namespace kr55le
