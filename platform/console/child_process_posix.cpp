#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/console/child_process.h"

extern char** environ;

namespace kr55le::console {
namespace {

constexpr std::size_t kReadChunk = 4096;
constexpr int kSignalStatusBase = 128;  // a shell's status for a child ended by a signal
constexpr const char* kOwnExecutableLink = "/proc/self/exe";

struct Pipe {
  int read = -1;
  int write = -1;
};

bool OpenPipe(Pipe& pipe) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  pipe = {ends[0], ends[1]};
  return true;
}

void Close(int& descriptor) {
  if (descriptor >= 0) ::close(descriptor);
  descriptor = -1;
}

// Reads both streams until each is closed.
void ReadStreams(int output, int errors, const ChildSinks& sinks) {
  std::array<pollfd, 2> polled{{{output, POLLIN, 0}, {errors, POLLIN, 0}}};
  constexpr std::array<ChildStream, 2> kStreams{ChildStream::Output, ChildStream::Errors};
  std::array<LineAssembler, 2> lines{
      LineAssembler([&sinks](std::string line) { sinks.line(ChildStream::Output, line); }),
      LineAssembler([&sinks](std::string line) { sinks.line(ChildStream::Errors, line); })};
  int open = 2;
  const auto end = [&](std::size_t index) {
    lines[index].Finish();
    sinks.ended(kStreams[index]);
    Close(polled[index].fd);
    --open;
  };
  while (open > 0) {
    if (::poll(polled.data(), polled.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (std::size_t index = 0; index < polled.size(); ++index) {
      pollfd& entry = polled[index];
      if (entry.fd < 0 || entry.revents == 0) continue;
      char buffer[kReadChunk];
      const ssize_t count = ::read(entry.fd, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count > 0) {
        lines[index].Add(buffer, static_cast<std::size_t>(count));
        continue;
      }
      end(index);
    }
  }
  // A failed poll ends what is still open all the same.
  for (std::size_t index = 0; index < polled.size(); ++index) {
    if (polled[index].fd >= 0) end(index);
  }
}

class PosixChild final : public ChildProcess {
 public:
  PosixChild(pid_t pid, int output, int errors, ChildSinks sinks)
      : pid_(pid), reader_([output, errors, sinks = std::move(sinks)] {
          ReadStreams(output, errors, sinks);
        }) {}
  ~PosixChild() override {
    if (!status_) Wait();
  }

  void Interrupt() override {
    // Only before Wait has reaped it: afterwards the number may be another process's.
    if (!status_) ::kill(pid_, SIGINT);
  }

  int Wait() override {
    if (status_) return *status_;
    reader_.join();
    int raw = 0;
    while (::waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : kSignalStatusBase + WTERMSIG(raw);
    return *status_;
  }

 private:
  pid_t pid_;
  std::thread reader_;
  std::optional<int> status_;
};

}  // namespace

std::string OwnExecutable() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink(kOwnExecutableLink, path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

std::unique_ptr<ChildProcess> StartChild(const std::string& program,
                                         const std::vector<std::string>& arguments,
                                         ChildSinks sinks, std::string& error) {
  Pipe output;
  Pipe errors;
  if (!OpenPipe(output) || !OpenPipe(errors)) {
    error = std::strerror(errno);
    Close(output.read);
    Close(output.write);
    return nullptr;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errors.write, STDERR_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t pid = 0;
  const int spawned =
      ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  Close(output.write);
  Close(errors.write);
  if (spawned != 0) {
    error = std::strerror(spawned);
    Close(output.read);
    Close(errors.read);
    return nullptr;
  }
  return std::make_unique<PosixChild>(pid, output.read, errors.read, std::move(sinks));
}

}  // namespace kr55le::console
