#include "cli/device_command.h"

#include <vector>

#include "cli/exit_status.h"
#include "device/report_link.h"
#include "dialog/flashwell_dlg.h"
#include "platform/console/console_host.h"
#include "platform/window/control_model.h"

namespace kr55le {
namespace {

using console::ConsoleStep;

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

// Whether the command reached its goal: how the handler of its last step ended.
bool ReachedGoal(FlashCommand command, const CFlashwellDlg& dialog,
                 const console::ConsoleHost& host) {
  if (host.Ended() || host.StoppedAt()) return false;
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

void PrintIdentification(const ControlModel& controls, FlashOutput& output) {
  output.Field(kKeySerial, controls.Text(Control::SerialNumberField));
  output.Field(kKeySoftwareVersion, controls.Text(Control::SoftwareVersionField));
  output.Field(kKeyBootloaderVersion, controls.Text(Control::BootloaderField));
  output.Field(kKeyUpgradeMode, controls.Text(Control::UpgradeModeField));
  output.Field(kKeyFileVersion, controls.Text(Control::FileVersionField));
}

}  // namespace

int RunDeviceCommand(const FlashArguments& arguments, hid::HidServices& hid, FlashOutput& output,
                     const ConsoleContext& context) {
  ControlModel controls;
  ReportLink link;
  console::ConsoleHost host(
      controls, &hid,
      {.steps = StepsOf(arguments.command),
       .imagePath = arguments.image,
       .bell = arguments.bell,
       .drawProgress = arguments.command == FlashCommand::Upgrade && context.errorsOnTerminal,
       .errors = context.errors,
       .interrupts = context.interrupts,
       .deviceGone = [&link] { return link.DeviceGone(); },
       .onStatusText = [&output](std::string_view text) { output.Message(text); },
       .holdSystemAwake = context.holdSystemAwake});
  int status = kExitNotDone;
  {
    CFlashwellDlg dialog(host, controls, hid, link,
                         ScaleWaitBounds(WaitBounds{}, arguments.waitScale));
    host.RunModal(dialog);
    // The notices must stop before the dialog they reach goes.
    hid.RegisterNotices(nullptr);
    if (dialog.LastOpenResult.error == hid::HidError::PermissionDenied) {
      status = kExitNoPermission;
    } else if (ReachedGoal(arguments.command, dialog, host)) {
      status = kExitDone;
    }
  }
  host.FinishOutput();
  if (arguments.command != FlashCommand::Upgrade) PrintIdentification(controls, output);
  output.Finish();
  return status;
}

}  // namespace kr55le
