#include "platform/win32/command_line.h"

#include "platform/win32/windows_headers.h"

#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace kr55le::win32 {

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) return {};
  std::vector<std::string> arguments;
  for (int index = 1; index < count; ++index) arguments.push_back(Narrow(words[index]));
  ::LocalFree(words);
  return arguments;
}

}  // namespace kr55le::win32
