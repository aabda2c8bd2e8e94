// Another run of this program, started with its own arguments, whose standard output and error
// come back line by line; kr55le-flash --all runs one for each device.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kr55le::console {

enum class ChildStream { Output, Errors };

// Called on a reader thread of the child's: each line without its end, then `ended` once the
// stream is closed.
struct ChildSinks {
  std::function<void(ChildStream stream, std::string line)> line;
  std::function<void(ChildStream stream)> ended;
};

// Cuts a stream's bytes into lines at '\n', dropping a '\r' before it; what is left at the end
// counts as a last line.
class LineAssembler {
 public:
  explicit LineAssembler(std::function<void(std::string)> sink) : sink_(std::move(sink)) {}
  void Add(const char* bytes, std::size_t count);
  void Finish();

 private:
  std::function<void(std::string)> sink_;
  std::string pending_;
};

class ChildProcess {
 public:
  virtual ~ChildProcess() = default;
  // Passes one Ctrl+C press of this program's on to the child. On Linux the child has a process
  // group of its own, so that a press on the terminal reaches it this way only, once; a Windows
  // console gives every process attached to it the press itself, so there is nothing to do.
  virtual void Interrupt() = 0;
  // Waits for the child to end, its streams read to their end; returns its exit status.
  virtual int Wait() = 0;
};

// The path of the running executable, to start it again.
std::string OwnExecutable();

// Starts `program` with `arguments` (not counting its name); null with `error` set when it
// could not be started.
std::unique_ptr<ChildProcess> StartChild(const std::string& program,
                                         const std::vector<std::string>& arguments,
                                         ChildSinks sinks, std::string& error);

}  // namespace kr55le::console
