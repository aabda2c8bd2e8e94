#include "cli/device_runs.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/exit_status.h"
#include "cli/output.h"
#include "cli/terminal_text.h"
#include "record/latin1_json.h"
#include "res/names.h"
#include "res/strings.h"

namespace kr55le {

using Clock = std::chrono::steady_clock;
using console::ChildStream;

namespace {

constexpr std::string_view kColumnGap = "  ";
constexpr std::size_t kMessageCapacity = 1024;
constexpr int kStreamsPerRun = 2;

std::string ResultOf(int status) {
  if (status == kExitDone) return std::string(text::kResultDone);
  if (status == kExitNoPermission) return std::string(text::kResultNoPermission);
  if (status == kExitOtherDevice) return std::string(text::kResultOtherDevice);
  return std::string(text::kResultFailed);
}

// The status text of a "message:" line, if it is one.
std::optional<std::string> MessageOf(const std::string& line) {
  const std::string key = std::string(kKeyMessage) + ":";
  if (!line.starts_with(key)) return {};
  std::string text = line.substr(key.size());
  if (text.starts_with(' ')) text.erase(0, 1);
  return text;
}

// A run's line marked with its device's serial number. The run made its own output safe, and its
// error lines are this program's texts (and --bell's bell).
void PrintPrefixed(std::FILE* stream, const std::string& serial, const std::string& line) {
  std::fprintf(stream, "%s%s%s\n", TerminalSafe(serial).c_str(),
               std::string(name::kSerialLineSeparator).c_str(), line.c_str());
  std::fflush(stream);
}

std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

std::string SecondsText(double seconds) {
  char formatted[kMessageCapacity];
  std::snprintf(formatted, sizeof formatted, "%.1f", seconds);
  return formatted;
}

}  // namespace

// A line of a run's, or the end of one of its streams.
struct DeviceRuns::Event {
  std::size_t run = 0;
  ChildStream stream = ChildStream::Output;
  bool ended = false;
  std::string line;
};

// Filled by the runs' reader threads, emptied by the main thread.
class DeviceRuns::EventQueue {
 public:
  void Push(Event event) {
    const std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    arrived_.notify_one();
  }
  std::optional<Event> Pop(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, wait, [this] { return !events_.empty(); })) return {};
    Event event = std::move(events_.front());
    events_.pop_front();
    return event;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Event> events_;
};

std::vector<std::string> RunArgumentsFor(const FlashArguments& arguments, const std::string& path,
                                         const std::string& serial,
                                         const std::optional<std::string>& record) {
  std::vector<std::string> words{"--device", path, "--serial", SerialWord(serial),
                                 "--progress-lines"};
  if (arguments.bell) words.emplace_back("--bell");
  if (arguments.simulate) words.insert(words.end(), {"--simulate", arguments.simulateText});
  if (arguments.simulateDump)
    words.insert(words.end(), {"--simulate-dump", *arguments.simulateDump});
  if (record) words.insert(words.end(), {"--record", *record});
  if (arguments.waitScale != kDefaultWaitScale) {
    // The shortest decimal that reads back the same, without an exponent, which --wait-scale
    // refuses.
    char scale[kMessageCapacity];
    const auto written =
        std::to_chars(scale, scale + sizeof scale, arguments.waitScale, std::chars_format::fixed);
    words.insert(words.end(), {"--wait-scale", std::string(scale, written.ptr)});
  }
  words.insert(words.end(), {"--", std::string(CommandWordOf(arguments.command)), arguments.image});
  return words;
}

void PrintSummary(const std::vector<DeviceRunResult>& results, std::FILE* out, bool json) {
  if (json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const DeviceRunResult& r : results) {
      // The seconds as the lines show them: the double nearest that text is dumped as it.
      list.push_back({{kKeySerial, Latin1Json(r.serial)},
                      {kKeyPath, Latin1Json(r.path)},
                      {kKeyResult, Latin1Json(r.result)},
                      {kKeyMessage, Latin1Json(r.lastMessage)},
                      {kKeySeconds, std::strtod(SecondsText(r.seconds).c_str(), nullptr)}});
    }
    std::fprintf(out, "%s\n", DumpJson(list).c_str());
    return;
  }
  if (results.empty()) return;
  std::vector<std::vector<std::string>> rows{
      {std::string(text::kSummarySerial), std::string(text::kSummaryPath),
       std::string(text::kSummaryResult), std::string(text::kSummarySeconds),
       std::string(text::kSummaryMessage)}};
  for (const DeviceRunResult& r : results) {
    rows.push_back({TerminalSafe(r.serial), TerminalSafe(r.path), r.result, SecondsText(r.seconds),
                    TerminalSafe(r.lastMessage)});
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t column = 0; column < row.size(); ++column) {
      widths[column] = std::max(widths[column], row[column].size());
    }
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t column = 0; column + 1 < row.size(); ++column) {
      line += Padded(row[column], widths[column]) + std::string(kColumnGap);
    }
    line += row.back();
    std::fprintf(out, "%s\n", line.c_str());
  }
  std::fflush(out);
}

bool AllDone(const std::vector<DeviceRunResult>& results) {
  return !results.empty() &&
         std::all_of(results.begin(), results.end(),
                     [](const DeviceRunResult& r) { return r.result == text::kResultDone; });
}

std::size_t RunsAtOnce() {
  return std::max(1U, std::thread::hardware_concurrency());
}

DeviceRuns::DeviceRuns(const FlashArguments& arguments, const ConsoleContext& context,
                       std::string program, std::FILE* out)
    : arguments_(arguments),
      context_(context),
      program_(std::move(program)),
      out_(out),
      board_(context.errors),
      drawBoard_(context.errorsOnTerminal && context.cursorMoves),
      passedOn_(context.interrupts ? context.interrupts->load() : 0),
      events_(std::make_unique<EventQueue>()) {
  if (arguments.record) recordNames_.emplace(*arguments.record);
}

DeviceRuns::~DeviceRuns() = default;

void DeviceRuns::Add(const ListedDevice& device) {
  Run& run = runs_.emplace_back();
  run.result = {.serial = device.identification.serial,
                .path = device.path,
                .result = std::string(text::kResultNotStarted),
                .lastMessage = {},
                .seconds = 0};
  if (recordNames_) run.record = recordNames_->For(device.identification.serial);
}

void DeviceRuns::Step(std::size_t atOnce, std::chrono::milliseconds wait) {
  PassOnInterrupts();
  while (running_ < atOnce && Waiting() && !interrupted_) {
    if (Start(next_++)) ++running_;
  }
  if (running_ == 0) return;
  const std::optional<Event> event = events_->Pop(wait);
  if (event && Handle(*event)) --running_;
}

bool DeviceRuns::Interrupted() const {
  return interrupted_ || (context_.interrupts && context_.interrupts->load() > passedOn_);
}

bool DeviceRuns::Busy(const std::string& path) const {
  return std::any_of(runs_.begin(), runs_.end(), [&path](const Run& run) {
    return run.openStreams > 0 && hid::SameInterfacePath(run.result.path, path);
  });
}

std::vector<DeviceRunResult> DeviceRuns::TakeEnded() {
  return std::exchange(ended_, {});
}

std::vector<DeviceRunResult> DeviceRuns::Finish() {
  board_.Clear();
  std::vector<DeviceRunResult> results;
  for (const Run& run : runs_) results.push_back(run.result);
  return results;
}

bool DeviceRuns::Start(std::size_t index) {
  Run& run = runs_[index];
  console::ChildSinks sinks{.line =
                                [this, index](ChildStream stream, std::string line) {
                                  events_->Push({index, stream, false, line});
                                },
                            .ended =
                                [this, index](ChildStream stream) {
                                  events_->Push({index, stream, true, {}});
                                }};
  std::string error;
  run.start = Clock::now();
  run.child = console::StartChild(
      program_, RunArgumentsFor(arguments_, run.result.path, run.result.serial, run.record),
      std::move(sinks), error);
  if (!run.child) {
    board_.Clear();
    PrintError(std::string(text::kCannotStartRun) + TerminalSafe(run.result.serial) + ": " + error,
               context_.errors);
    run.result.result = std::string(text::kResultFailed);
    return false;
  }
  run.openStreams = kStreamsPerRun;
  return true;
}

// Every new Ctrl+C press goes to each run, as a press would to one; no run starts after one.
void DeviceRuns::PassOnInterrupts() {
  if (!context_.interrupts) return;
  for (const int pressed = context_.interrupts->load(); passedOn_ < pressed; ++passedOn_) {
    interrupted_ = true;
    for (Run& run : runs_) {
      if (run.child && run.openStreams > 0) run.child->Interrupt();
    }
  }
}

// True when the event ended its run.
bool DeviceRuns::Handle(const Event& event) {
  Run& run = runs_[event.run];
  if (!event.ended) {
    HandleLine(run, event);
    return false;
  }
  if (--run.openStreams > 0) return false;
  const int status = run.child->Wait();
  run.result.result = ResultOf(status);
  run.result.seconds = std::chrono::duration<double>(Clock::now() - run.start).count();
  if (drawBoard_) board_.Set(event.run, {});
  ended_.push_back(run.result);
  return true;
}

void DeviceRuns::HandleLine(Run& run, const Event& event) {
  const std::string& serial = run.result.serial;
  if (event.stream == ChildStream::Errors) {
    if (event.line.starts_with(name::kProgressLinePrefix)) {
      if (drawBoard_) {
        board_.Set(event.run, TerminalSafe(serial) + std::string(name::kSerialLineSeparator) +
                                  event.line.substr(name::kProgressLinePrefix.size()));
      }
      return;
    }
    PrintAboveBoard(context_.errors, serial, event.line);
    return;
  }
  if (std::optional<std::string> message = MessageOf(event.line)) run.result.lastMessage = *message;
  if (!arguments_.json) PrintAboveBoard(out_, serial, event.line);
}

void DeviceRuns::PrintAboveBoard(std::FILE* stream, const std::string& serial,
                                 const std::string& line) {
  board_.Clear();
  PrintPrefixed(stream, serial, line);
  if (drawBoard_) board_.Draw();
}

}  // namespace kr55le
