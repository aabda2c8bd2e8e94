// The page in a web browser: the window on the devices granted to the page, or, when its
// address asks for one ("?simulate=KEY=VALUE,..."), on a simulated KR-55LE.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/demo_window.h"
#include "app/window_main.h"
#include "platform/factories.h"
#include "res/strings.h"

namespace {
// The arguments the page makes of its address's simulate and simulate-dump parameters.
constexpr std::string_view kSimulateArgument = "--simulate=";
constexpr std::string_view kDumpArgument = "--simulate-dump=";

// The value of the argument that starts with `prefix`, if any.
std::optional<std::string> ValueOf(const std::vector<std::string>& arguments,
                                   std::string_view prefix) {
  for (const std::string& argument : arguments) {
    if (argument.starts_with(prefix)) return argument.substr(prefix.size());
  }
  return std::nullopt;
}
}  // namespace

int main(int argc, char** argv) {
  const auto toolkit = kr55le::platform::StartWindowToolkit(argc, argv);
  const std::vector<std::string> arguments = kr55le::platform::ProgramArguments(argc, argv);
  if (const auto options = ValueOf(arguments, kSimulateArgument)) {
    return kr55le::RunDemoWindow("simulate", *options,
                                 ValueOf(arguments, kDumpArgument).value_or(std::string()));
  }
  const auto hid = kr55le::platform::MakeHidServices();
  return kr55le::RunUpgradeWindow(*hid, kr55le::text::kSingleInstanceName);
}
