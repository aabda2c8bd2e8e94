#include "cli/device_command.h"

#include <cstdio>
#include <vector>

#include "cli/device_list.h"
#include "cli/device_selection.h"
#include "cli/exit_status.h"
#include "cli/serial_words.h"
#include "cli/terminal_text.h"
#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "platform/console/console_host.h"
#include "res/strings.h"
#include "window/control_model.h"

namespace kr55le {
namespace {

using console::ConsoleStep;

constexpr std::size_t kMessageCapacity = 1024;

std::vector<ConsoleStep> StepsOf(FlashCommand command) {
  switch (command) {
    case FlashCommand::Check:
      return {ConsoleStep::Browse};
    case FlashCommand::Upgrade:
      return {ConsoleStep::Browse, ConsoleStep::Upgrade};
    default:
      return {};
  }
}

// How the handler of the command's last step ended.
bool LastStepReachedGoal(FlashCommand command, const CFlashwellDlg& dialog) {
  switch (command) {
    case FlashCommand::Info:
      return dialog.LastOutcome(Handler::Scan) == Outcome::Identified;
    case FlashCommand::Check:
      return dialog.LastOutcome(Handler::Browse) == Outcome::Accepted;
    case FlashCommand::Upgrade:
      return dialog.LastOutcome(Handler::Upgrade) == Outcome::Completed;
    default:
      return false;
  }
}

// Whether the command reached its goal: the last step's, and the window not closed.
bool ReachedGoal(FlashCommand command, const CFlashwellDlg& dialog,
                 const console::ConsoleHost& host) {
  if (host.Ended() || host.StoppedAt()) return false;
  return LastStepReachedGoal(command, dialog);
}

console::ProgressStyle ProgressStyleOf(const FlashArguments& arguments,
                                       const ConsoleContext& context) {
  if (arguments.command != FlashCommand::Upgrade) return console::ProgressStyle::None;
  if (arguments.progressLines) return console::ProgressStyle::Lines;
  return context.errorsOnTerminal ? console::ProgressStyle::Redrawn : console::ProgressStyle::None;
}

void PrintIdentification(const Identification& identification, FlashOutput& output) {
  output.Field(kKeySerial, identification.serial);
  output.Field(kKeySoftwareVersion, identification.softwareVersion);
  output.Field(kKeyBootloaderVersion, identification.bootloaderVersion);
  output.Field(kKeyUpgradeMode, identification.upgradeMode);
  output.Field(kKeyFileVersion, identification.fileVersion);
}

}  // namespace

DialogRun RunDialog(const FlashArguments& arguments, hid::HidServices& hid,
                    const ConsoleContext& context,
                    const std::function<void(std::string_view)>& onStatusText) {
  DialogRun run{.status = kExitNotDone, .openResult = {}, .lastMessage = {}, .identification = {}};
  ControlModel controls;
  ReportLink link;
  const CFlashwellDlg* running = nullptr;  // the dialog, while it runs
  // Asked before each step: before the image's header goes out, and before the upgrade starts.
  // The dialog talks only to the device it opened, and shows the serial number of each device it
  // opens; one that did not answer leaves the last one there, but every button disabled.
  bool otherDevice = false;
  const auto mayTakeStep = [&] {
    otherDevice = arguments.serial &&
                  SerialWord(controls.Text(Control::SerialNumberField)) != *arguments.serial;
    return !otherDevice;
  };
  console::ConsoleHost host(controls, &hid,
                            {.steps = StepsOf(arguments.command),
                             .imagePath = arguments.image,
                             .bell = arguments.bell,
                             .progress = ProgressStyleOf(arguments, context),
                             .errors = context.errors,
                             .interrupts = context.interrupts,
                             .deviceGone = [&link] { return link.DeviceGone(); },
                             .goalReached =
                                 [&running, &arguments] {
                                   return running != nullptr &&
                                          LastStepReachedGoal(arguments.command, *running);
                                 },
                             .onStatusText =
                                 [&run, &onStatusText](std::string_view text) {
                                   run.lastMessage = std::string(text);
                                   if (onStatusText) onStatusText(text);
                                 },
                             .holdSystemAwake = context.holdSystemAwake,
                             .mayTakeStep = mayTakeStep,
                             .readerGone = context.readerGone});
  {
    CFlashwellDlg dialog(host, controls, hid, link,
                         ScaleWaitBounds(WaitBounds{}, arguments.waitScale));
    running = &dialog;
    host.RunModal(dialog);
    running = nullptr;
    run.openResult = dialog.LastOpenResult;
    if (dialog.LastOpenResult.error == hid::HidError::PermissionDenied) {
      run.status = kExitNoPermission;
    } else if (otherDevice) {
      run.status = kExitOtherDevice;
    } else if (ReachedGoal(arguments.command, dialog, host)) {
      run.status = kExitDone;
    }
  }
  host.FinishOutput();
  if (otherDevice) {
    char line[kMessageCapacity];
    std::snprintf(line, sizeof line, std::string(text::kOtherDeviceFormat).c_str(),
                  TerminalSafe(controls.Text(Control::SerialNumberField)).c_str(),
                  TerminalSafe(*arguments.serial).c_str());
    PrintError(line, context.errors);
  }
  run.identification = {.serial = controls.Text(Control::SerialNumberField),
                        .softwareVersion = controls.Text(Control::SoftwareVersionField),
                        .bootloaderVersion = controls.Text(Control::BootloaderField),
                        .upgradeMode = controls.Text(Control::UpgradeModeField),
                        .fileVersion = controls.Text(Control::FileVersionField)};
  return run;
}

int RunDeviceCommand(const FlashArguments& arguments, hid::HidServices& hid, FlashOutput& output,
                     const ConsoleContext& context, std::string* selected) {
  const auto print = [&output](std::string_view text) { output.Message(text); };
  DialogRun run;
  if (arguments.device) {
    const std::string path = SelectDevice(*arguments.device, hid, arguments, context);
    if (path.empty()) {
      PrintError(std::string(text::kNoDeviceMatches) + "'" + *arguments.device + "'",
                 context.errors);
    }
    if (selected) *selected = path;
    SelectedHidServices alone(hid, path);
    run = RunDialog(arguments, alone, context, print);
  } else {
    run = RunDialog(arguments, hid, context, print);
  }
  if (arguments.command != FlashCommand::Upgrade) PrintIdentification(run.identification, output);
  output.Finish();
  return run.status;
}

}  // namespace kr55le
