// Runs the built kr55le-flash as a child process with its standard output and error captured.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace kr55le::testing {

struct FlashRun {
  int status = -1;  // the exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
  std::vector<std::string> OutLines() const;
  std::string LastMessage() const;  // the text of the last "message: " line
};

class FlashProcess {
 public:
  explicit FlashProcess(const std::vector<std::string>& arguments);
  ~FlashProcess();
  FlashProcess(const FlashProcess&) = delete;
  FlashProcess& operator=(const FlashProcess&) = delete;

  // Reads standard output until `text` has appeared (or the output ends); true when it has.
  bool ReadUntil(std::string_view text);
  void Interrupt();  // Ctrl+C
  // Reads to the end of both outputs and waits for the exit.
  FlashRun Finish();

 private:
  // Reads what one of the outputs has ready, waiting until one has; false once both have ended.
  bool ReadSome();

  pid_t pid_ = -1;
  int outDescriptor_ = -1;
  int errDescriptor_ = -1;
  FlashRun run_;
};

// Runs kr55le-flash with `arguments` to its end.
FlashRun RunFlash(const std::vector<std::string>& arguments);

}  // namespace kr55le::testing
