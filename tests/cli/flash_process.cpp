#include "tests/cli/flash_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <sstream>

namespace kr55le::testing {
namespace {

constexpr std::string_view kMessagePrefix = "message: ";
constexpr std::size_t kChunkSize = 4096;
constexpr int kExecFailed = 127;

}  // namespace

std::vector<std::string> FlashRun::OutLines() const {
  std::vector<std::string> lines;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string FlashRun::LastMessage() const {
  std::string last;
  for (const std::string& line : OutLines()) {
    if (line.starts_with(kMessagePrefix)) last = line.substr(kMessagePrefix.size());
  }
  return last;
}

FlashProcess::FlashProcess(const std::vector<std::string>& arguments) {
  int out[2];
  int err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    for (const int descriptor : {out[0], out[1], err[0], err[1]}) ::close(descriptor);
    std::vector<char*> argv{const_cast<char*>(KR55LE_FLASH)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(KR55LE_FLASH, argv.data());
    ::_exit(kExecFailed);
  }
  ::close(out[1]);
  ::close(err[1]);
  outDescriptor_ = out[0];
  errDescriptor_ = err[0];
}

FlashProcess::~FlashProcess() {
  if (pid_ > 0) Finish();
}

bool FlashProcess::ReadSome() {
  std::array<pollfd, 2> watch{{{outDescriptor_, POLLIN, 0}, {errDescriptor_, POLLIN, 0}}};
  if (outDescriptor_ < 0 && errDescriptor_ < 0) return false;
  if (::poll(watch.data(), watch.size(), -1) < 0) return true;  // interrupted: try again
  const std::array<std::pair<int*, std::string*>, 2> outputs{
      {{&outDescriptor_, &run_.out}, {&errDescriptor_, &run_.err}}};
  for (std::size_t index = 0; index < outputs.size(); ++index) {
    if (watch[index].fd < 0 || watch[index].revents == 0) continue;
    char chunk[kChunkSize];
    const ssize_t got = ::read(watch[index].fd, chunk, sizeof chunk);
    if (got > 0) {
      outputs[index].second->append(chunk, static_cast<std::size_t>(got));
    } else {
      ::close(*outputs[index].first);
      *outputs[index].first = -1;
    }
  }
  return true;
}

bool FlashProcess::ReadUntil(std::string_view text) {
  while (run_.out.find(text) == std::string::npos) {
    if (!ReadSome()) return false;
  }
  return true;
}

void FlashProcess::Interrupt() {
  if (pid_ > 0) ::kill(pid_, SIGINT);
}

FlashRun FlashProcess::Finish() {
  while (ReadSome()) {
  }
  int status = 0;
  if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
    run_.status = WEXITSTATUS(status);
  }
  pid_ = -1;
  return run_;
}

FlashRun RunFlash(const std::vector<std::string>& arguments) {
  FlashProcess process(arguments);
  return process.Finish();
}

}  // namespace kr55le::testing
