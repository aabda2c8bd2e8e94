#include <windows.h>

#include <optional>
#include <thread>

#include "platform/console/child_process.h"

namespace kr55le::console {
namespace {

constexpr DWORD kReadChunk = 4096;

// One argument as the C runtime's command-line parser reads it back: quoted when it holds a
// blank or a quote, with the backslashes before a quote doubled.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
    return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + '"';
}

void ReadStream(HANDLE pipe, ChildStream stream, const ChildSinks& sinks) {
  LineAssembler lines([&sinks, stream](std::string line) { sinks.line(stream, line); });
  char buffer[kReadChunk];
  DWORD count = 0;
  while (::ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    lines.Add(buffer, count);
  }
  lines.Finish();
  sinks.ended(stream);
  ::CloseHandle(pipe);
}

class Win32Child final : public ChildProcess {
 public:
  Win32Child(HANDLE process, HANDLE output, HANDLE errors, ChildSinks sinks)
      : process_(process),
        sinks_(std::move(sinks)),
        outputReader_([this, output] { ReadStream(output, ChildStream::Output, sinks_); }),
        errorReader_([this, errors] { ReadStream(errors, ChildStream::Errors, sinks_); }) {}
  ~Win32Child() override {
    Wait();
    ::CloseHandle(process_);
  }

  void Interrupt() override {}

  int Wait() override {
    if (status_) return *status_;
    outputReader_.join();
    errorReader_.join();
    ::WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    status_ = static_cast<int>(code);
    return *status_;
  }

 private:
  HANDLE process_;
  ChildSinks sinks_;
  std::thread outputReader_;
  std::thread errorReader_;
  std::optional<int> status_;
};

// A pipe whose write end the child inherits; the read end stays here.
bool OpenPipe(HANDLE& read, HANDLE& write) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  if (!::CreatePipe(&read, &write, &inherited, 0)) return false;
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  return true;
}

std::string LastError() {
  return "error " + std::to_string(::GetLastError());
}

// The program and its arguments are UTF-8; the wide call passes every character of them on,
// whatever the ANSI code page lacks.
std::wstring Widen(const std::string& utf8) {
  const int units =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          units);
  }
  return wide;
}

}  // namespace

std::string OwnExecutable() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(length), nullptr, 0,
                                          nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(length), utf8.data(), bytes, nullptr,
                          nullptr);
  }
  return utf8;
}

// The children are started one at a time from one thread, and each pipe's write end is closed
// here right after: no child inherits another's write end, which would keep that stream open.
std::unique_ptr<ChildProcess> StartChild(const std::string& program,
                                         const std::vector<std::string>& arguments,
                                         ChildSinks sinks, std::string& error) {
  HANDLE outputRead = nullptr, outputWrite = nullptr, errorsRead = nullptr, errorsWrite = nullptr;
  if (!OpenPipe(outputRead, outputWrite)) {
    error = LastError();
    return nullptr;
  }
  if (!OpenPipe(errorsRead, errorsWrite)) {
    error = LastError();
    ::CloseHandle(outputRead);
    ::CloseHandle(outputWrite);
    return nullptr;
  }
  std::string commandLine = Quoted(program);
  for (const std::string& argument : arguments) commandLine += ' ' + Quoted(argument);
  std::wstring wideCommandLine = Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outputWrite;
  startup.hStdError = errorsWrite;
  PROCESS_INFORMATION started{};
  const BOOL created = ::CreateProcessW(Widen(program).c_str(), wideCommandLine.data(), nullptr,
                                        nullptr, TRUE, 0, nullptr, nullptr, &startup, &started);
  if (!created) error = LastError();
  ::CloseHandle(outputWrite);
  ::CloseHandle(errorsWrite);
  if (!created) {
    ::CloseHandle(outputRead);
    ::CloseHandle(errorsRead);
    return nullptr;
  }
  ::CloseHandle(started.hThread);
  return std::make_unique<Win32Child>(started.hProcess, outputRead, errorsRead, std::move(sinks));
}

}  // namespace kr55le::console
