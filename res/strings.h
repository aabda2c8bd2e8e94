// Every text the utility shows, exactly once. Handlers and hosts use these verbatim.
#pragma once

#include <string_view>

namespace kr55le::text {

// Window and application.
inline constexpr std::string_view kDialogTitle = "Pardo KR-55LE Upgrade Utility v0.0.6";
inline constexpr std::string_view kApplicationName = "kr55le-upgrade";
inline constexpr std::string_view kMakerNotice = "KR-55LE upgrade utility for Linux";
inline constexpr std::string_view kMakerNoticeWindows = "KR-55LE upgrade utility for Windows";
inline constexpr std::string_view kMakerNoticeWeb = "KR-55LE upgrade utility for the web";
inline constexpr std::string_view kSocketsInitFailed = "Windows sockets initialization failed.";
inline constexpr std::string_view kSingleInstanceName = "PARDO_KR_91_MAX_UI_RUNNING";
inline constexpr std::string_view kOtherInstanceWindowName = "tws2";
inline constexpr std::string_view kReadThreadFailed =
    "Error occured when creating Read thread (%d)\n";
inline constexpr std::string_view kWriteThreadFailed =
    "Error occured when creating Write thread (%d)\n";

// Template captions.
inline constexpr std::string_view kCaptionDeviceStatus = "Device Status";
inline constexpr std::string_view kCaptionBrowseFile = "&Browse File";
inline constexpr std::string_view kCaptionUpgrade = "&Upgrade";
inline constexpr std::string_view kCaptionCancel = "&Cancel";
inline constexpr std::string_view kCaptionMessage = "Message         :";
inline constexpr std::string_view kCaptionSerialNumber = "Device Serial Number";
inline constexpr std::string_view kCaptionFileVersion = "Software Version of File";
inline constexpr std::string_view kCaptionDeviceVersion = "Device Software Version";
inline constexpr std::string_view kCaptionBootloaderVersion = "Bootloader Version";
inline constexpr std::string_view kCaptionUpgradeMode = "Upgrade mode";

// Device discovery and identification.
inline constexpr std::string_view kVendorMatch = "vid_0483";
inline constexpr std::string_view kDeviceEntryNamed = "Pardo KR-55LE is connected";
inline constexpr std::string_view kDeviceEntryUnnamed = "Add the name of device";
inline constexpr std::string_view kNoDeviceAttached = "No device is attached";
inline constexpr std::string_view kNotInUpgradeMode =
    "Device is not connected in upgrade mode, read user manual for device upgrade.";
inline constexpr std::string_view kConnectedAudioMode =
    "Device is connected in audio upgrade mode.";
inline constexpr std::string_view kConnectedFirmwareMode =
    "Device is connected in firmware upgrade mode.";
inline constexpr std::string_view kBrowseForUpgrade = "Browse a file for upgrade.";
// Another program has taken the device (the window looks again every few seconds).
inline constexpr std::string_view kDeviceInUse =
    "Device is in use by another program: close that program, and the window goes on by itself.";
inline constexpr std::string_view kModeAudio = "Audio upgrade";
inline constexpr std::string_view kModeFirmware = "Firmware upgrade";
inline constexpr std::string_view kMultipleDevicesBox =
    "Multiple devices are attached. Remove any one device for contiued operation. \n";
inline constexpr std::string_view kPathPlaceholder = " ";

// Image selection.
inline constexpr std::string_view kOpenDialogTitle = "Pardo KR-55 files";
inline constexpr std::string_view kOpenDialogFilter = "Bin Files: (*.bin)|*.bin|";
inline constexpr std::string_view kOpenDialogDefaultExtension = "*.*";
inline constexpr std::string_view kFileOpenFail = "File Open Fail";
inline constexpr std::string_view kInvalidFile = "Error: Invalid File";
inline constexpr std::string_view kRejectedFile =
    "Error: Invalid file,please select valid binary file";
inline constexpr std::string_view kSameVersion =
    "Device software version is same as  file software version, do you want to repair?";
inline constexpr std::string_view kOtherVersion = "Do you want to upgrade the device?";
inline constexpr std::string_view kPathLineBreak = "\r\n";

// Image file rules.
inline constexpr std::string_view kEmptyFile = "Empty file selected";
inline constexpr std::string_view kFileTooLarge = "File size too large";

// Upgrade transfer.
inline constexpr std::string_view kMultipleDeviceAttached = "Multiple device attached";
inline constexpr std::string_view kSelectValidFile = "Please select the valid file";
inline constexpr std::string_view kResetDeviceFirst =
    "Please reset the device in upgrade mode first";
inline constexpr std::string_view kPressUpgrade = "Now press Upgrade button to upgrade the device";
inline constexpr std::string_view kUpgrading = "Upgrading the device, please wait...";
inline constexpr std::string_view kFirmwareUpgrading =
    "Firmware is Upgrading... ( Please do not unplug the cable )";
inline constexpr std::string_view kAudioUpgrading =
    "Audio is Upgrading... ( Please do not unplug the cable )";
inline constexpr std::string_view kCommunicationError =
    "Communication error: Reset the device and try again";
inline constexpr std::string_view kUploadFailed =
    "Communication error: Uploading is failed, please try again";
inline constexpr std::string_view kPercentFormat = "%d %c";
inline constexpr std::string_view kPercentComplete = "100 %";
inline constexpr std::string_view kFirmwareCompleted = "Firmware upgrade completed";
inline constexpr std::string_view kAudioCompleted = "Audio upgrade completed";

// Cancel and close.
inline constexpr std::string_view kUpgradeDiscontinued =
    "Upgrade discontinued. Please re-connect the device in upgrade mode";

// The page in a web browser.
inline constexpr std::string_view kConnectDevice = "Connect device";
inline constexpr std::string_view kSaveRecording = "Save recording";
inline constexpr std::string_view kNoWebHid =
    "This page needs WebHID to reach the device: open it in Chrome, Edge or Opera on a computer, "
    "from an https address (or from localhost).";
inline constexpr std::string_view kPageEnded =
    "The utility has closed. Reload the page to start it again.";
inline constexpr std::string_view kWakeLockRefused =
    "The browser did not keep the screen awake: keep this tab in front until the upgrade ends.";
// The page on a simulated device ("?simulate=" in its address): before its title, and on a line
// above the dialog.
inline constexpr std::string_view kDemoTitlePrefix = "Simulated device, no device is changed - ";
inline constexpr std::string_view kDemoNotice =
    "Demonstration: the device below is simulated. No device is reached or changed, whatever "
    "the dialog says. To upgrade a device, open this address without \"?simulate=\".";
// In place of kDeviceInUse: on the page, only another tab or window of the same browser holds a
// device. The second names it by its title, when it says its title.
inline constexpr std::string_view kDeviceInUseInOtherTab =
    "Device is in use in another tab or window of this browser: close it, then reload this page.";
inline constexpr std::string_view kDeviceInUseInNamedTabFormat =
    "Device is in use in the tab or window \"%s\" of this browser: close it, then reload this "
    "page.";
// The accessible names of the controls that have no caption of their own.
inline constexpr std::string_view kNameImagePath = "Image file";
inline constexpr std::string_view kNamePercent = "Percentage";
inline constexpr std::string_view kNameProgress = "Progress";
inline constexpr std::string_view kNameDevicePaths = "Device paths";
// Between the status line's name and the status it shows, in the name a screen reader speaks.
inline constexpr std::string_view kStatusNameSeparator = ": ";

// Command line.
// The window shows the permission hint too: as the status line's tooltip and on standard error.
inline constexpr std::string_view kPermissionHintFormat =
    "%s cannot be opened: permission denied. Install the udev rule 70-kr55le-upgrade.rules in "
    "/etc/udev/rules.d (or the package that ships it), then re-plug the device.";
inline constexpr std::string_view kFlashUsage =
    "usage: kr55le-flash [OPTIONS] COMMAND [IMAGE]\n"
    "commands:\n"
    "  list                  identify every device, one line each\n"
    "  info                  identify the device in upgrade mode\n"
    "  check IMAGE           identify it, then have it check IMAGE\n"
    "  upgrade IMAGE         identify it, check IMAGE, then transfer it\n"
    "  inspect IMAGE         tell what the utility would do with IMAGE (no device)\n"
    "options:\n"
    "  --json                print one JSON object (list: one JSON array)\n"
    "  --device SELECTOR     see only the device with this path (as list prints it) or serial\n"
    "  --serial SERIAL       check or upgrade only a device that answers with this serial\n"
    "                        number; with another, send it nothing more\n"
    "  --wait[=SECONDS]      with no device attached (with --device, not the one it names),\n"
    "                        wait for one (at most SECONDS)\n"
    "  --all                 check or upgrade every device that answers, each in a run of its\n"
    "                        own, as many at once as there are processors\n"
    "  --each[=N]            upgrade every device attached or plugged in later, each once by\n"
    "                        its serial number, several at once as with --all; until Ctrl+C\n"
    "                        or SIGTERM, or until N devices have been upgraded\n"
    "  --progress-lines      write the upgrade's progress as lines on standard error\n"
    "  --record FILE         write every report to and from the devices to FILE (with --all\n"
    "                        or --each, one file a device, its serial number before the\n"
    "                        extension)\n"
    "  --bell                ring the terminal bell where the window beeps\n"
    "  --simulate OPTIONS    use a simulated device (KEY=VALUE,...; '' for the defaults)\n"
    "  --simulate-dump FILE  write the payload the simulated device assembled to FILE\n"
    "  --wait-scale F        multiply each wait for the device by F (default 1)\n"
    "  --help                print this text\n"
    "  --version             print the version\n"
    "exit status: 0 done, 1 not done (the last message line says why), 2 wrong usage,\n"
    "3 the device may not be opened, 4 the device answers with another serial number\n";
inline constexpr std::string_view kFlashVersionFormat = "kr55le-flash %s\n";
inline constexpr std::string_view kFlashShortUsage =
    "usage: kr55le-flash [OPTIONS] list | info | check IMAGE | upgrade IMAGE | inspect IMAGE\n"
    "       kr55le-flash --help tells more\n";
inline constexpr std::string_view kFlashErrorPrefix = "kr55le-flash: ";
inline constexpr std::string_view kMissingCommand = "missing command";
inline constexpr std::string_view kUnknownCommand = "unknown command ";
inline constexpr std::string_view kUnknownOption = "unknown option ";
inline constexpr std::string_view kMissingValue = "missing value for ";
inline constexpr std::string_view kUnexpectedValue = "no value expected for ";
inline constexpr std::string_view kBadWaitScale = "--wait-scale needs a positive decimal, not ";
inline constexpr std::string_view kBadSimulateOptions = "--simulate: ";
inline constexpr std::string_view kDumpNeedsSimulate = "--simulate-dump needs --simulate";
inline constexpr std::string_view kBadWait = "--wait needs a positive number of seconds, not ";
inline constexpr std::string_view kWaitNotForInspect =
    "--wait is for list, info, check and upgrade";
inline constexpr std::string_view kDeviceNotForCommand = "--device is for info, check and upgrade";
inline constexpr std::string_view kNoDeviceMatches = "no device matches --device ";
inline constexpr std::string_view kRecordNotForInspect =
    "--record is for list, info, check and upgrade";
inline constexpr std::string_view kRecordWriteFailed = "cannot write the recording to ";
inline constexpr std::string_view kSerialNotForCommand =
    "--serial is for check and upgrade, without --all or --each (their runs get their own)";
inline constexpr std::string_view kOtherDeviceFormat =
    "the device answers with serial number %s, not %s: nothing more is sent to it";
inline constexpr std::string_view kAllNotForCommand = "--all is for check and upgrade";
inline constexpr std::string_view kAllWithDevice = "--all and --device exclude each other";
inline constexpr std::string_view kWaitScaleTooLargeFormat =
    "--wait-scale is at most %.0f (the waits' poll counts would overflow), not ";
inline constexpr std::string_view kBadEach =
    "--each needs a positive whole number of devices, not ";
inline constexpr std::string_view kEachNotForCommand = "--each is for upgrade";
inline constexpr std::string_view kEachWithAll = "--each and --all exclude each other";
inline constexpr std::string_view kEachWithDevice = "--each and --device exclude each other";
inline constexpr std::string_view kEachWithWait =
    "--each waits for devices itself: leave out --wait";

// The replay of a recording, when the utility sends what the recorded one did not.
inline constexpr std::string_view kReplayDiffersFormat =
    "replay: report %zu differs at byte %zu: expected 0x%02x, got 0x%02x\n";
inline constexpr std::string_view kReplayLengthFormat =
    "replay: report %zu is %zu bytes long, the recorded one %zu\n";
inline constexpr std::string_view kReplayEndedFormat =
    "replay: report %zu comes after the end of the recording\n";
inline constexpr std::string_view kCannotReplay = "cannot replay ";
inline constexpr std::string_view kReplayCannotOpen = ": cannot be opened";
inline constexpr std::string_view kReplayNotRegularFile = ": not a regular file";
inline constexpr std::string_view kReplayTooLargeFormat =
    ": larger than any recorded session (at most %zu bytes)";

// check --all and upgrade --all.
inline constexpr std::string_view kNoDeviceAnswered = "no device answered";
inline constexpr std::string_view kLeftOutFormat = "left out %s: %s";
// upgrade --each.
inline constexpr std::string_view kUpgradedOnceFormat =
    "left alone %s: %s is upgraded only once in a run";
inline constexpr std::string_view kEmptySerialFormat =
    "left alone %s: its serial number is empty: it cannot be told apart from another device";
inline constexpr std::string_view kSameSerialFormat =
    "left alone %s: another device attached has its serial number %s";
inline constexpr std::string_view kNoDeviceUpgraded = "no device was upgraded";
inline constexpr std::string_view kCannotStartRun = "cannot start a run for ";
inline constexpr std::string_view kSerialLineSeparator = ": ";
inline constexpr std::string_view kResultDone = "done";
inline constexpr std::string_view kResultFailed = "failed";
inline constexpr std::string_view kResultNoPermission = "no permission";
inline constexpr std::string_view kResultNotStarted = "not started";
inline constexpr std::string_view kResultOtherDevice = "other device";
inline constexpr std::string_view kSummarySerial = "serial";
inline constexpr std::string_view kSummaryPath = "path";
inline constexpr std::string_view kSummaryResult = "result";
inline constexpr std::string_view kSummarySeconds = "seconds";
inline constexpr std::string_view kSummaryMessage = "last message";
inline constexpr std::string_view kMissingImage = "missing IMAGE for ";
inline constexpr std::string_view kUnexpectedArgument = "unexpected argument ";
inline constexpr std::string_view kDumpWriteFailed = "cannot write the simulated payload to ";
inline constexpr std::string_view kWordOk = "ok";
inline constexpr std::string_view kWordYes = "yes";
inline constexpr std::string_view kWordNo = "no";
inline constexpr std::string_view kWordFirmware = "firmware";
inline constexpr std::string_view kWordAudio = "audio";
inline constexpr std::string_view kWordUnknown = "unknown";
inline constexpr std::string_view kProgressStartFormat = "%u/%u blocks, %u %%";
// Before each progress drawing written as a line of its own (--progress-lines).
inline constexpr std::string_view kProgressLinePrefix = "progress: ";
inline constexpr std::string_view kProgressFormat = "%u/%u blocks, %u %%, %.1f KiB/s, %u:%02u left";

// The hold on sleep and shutdown during a transfer, as the system lists it.
inline constexpr std::string_view kHoldWho = "KR-55LE upgrade utility";
inline constexpr std::string_view kHoldWhy = "Transferring an image to the device";
inline constexpr std::string_view kNoSystemHold =
    "Sleep and shutdown are not held off during transfers: ";

// The virtual device.
inline constexpr std::string_view kVirtualUsage =
    "usage: kr55le-virtual-device [OPTIONS] [SPEC]\n"
    "Plays simulated KR-55LE devices in upgrade mode through /dev/uhid, so that the window and\n"
    "kr55le-flash meet them as real hidraw devices. SPEC is kr55le-flash's --simulate list\n"
    "(KEY=VALUE,...; none for one device in firmware upgrade mode). Ctrl+C or SIGTERM ends it.\n"
    "options:\n"
    "  --dump FILE           at the end, write the payload the device assembled to FILE (with\n"
    "                        several, one file each, its serial number before the extension)\n"
    "  --help                print this text\n";
inline constexpr std::string_view kVirtualErrorPrefix = "kr55le-virtual-device: ";
// At the end, for each device (kr55le-usb-device's too).
inline constexpr std::string_view kVirtualRequestsFormat =
    "%s requests: info=%u check=%u start=%u exit=%u\n";
inline constexpr std::string_view kUhidOpenFailedFormat =
    "cannot open %s: %s. It needs the uhid module (sudo modprobe uhid) and root, or a group "
    "that may open %s.";
inline constexpr std::string_view kVirtualStartedFormat =
    "%zu virtual %s on %s (vendor %04x, product %04x); Ctrl+C or SIGTERM ends it\n";
inline constexpr std::string_view kVirtualChatter = "chatter is not played through the kernel";
inline constexpr std::string_view kVirtualLengthFormat =
    "report lengths above %zu bytes do not fit a uhid event";
inline constexpr std::string_view kVirtualSpecPrefix = "SPEC: ";

// The USB device.
inline constexpr std::string_view kUsbDeviceUsage =
    "usage: kr55le-usb-device [OPTIONS] [SPEC]\n"
    "Plays simulated KR-55LE devices in upgrade mode as full-speed USB HID devices for QEMU's\n"
    "usb-redir (-chardev socket,id=r0,path=SOCKET -device usb-redir,chardev=r0), so that the\n"
    "guest's USB and HID drivers meet them. SPEC is kr55le-flash's --simulate list\n"
    "(KEY=VALUE,...), and also out-endpoint=no (no interrupt OUT endpoint: output reports come\n"
    "as SET_REPORT), disconnect-at=N (the device leaves at block N while the connection\n"
    "stays; unplug-at=N ends the connection) and stall-at=N (at block N the OUT endpoint halts\n"
    "until the host clears it, or the SET_REPORT stalls once). Ctrl+C or SIGTERM ends it.\n"
    "options:\n"
    "  --socket PATH         the unix socket to listen on, kr55le-usb-device.sock unless given\n"
    "                        (with several devices, one each, its number from 1 before the\n"
    "                        extension: r.sock gives r-1.sock, r-2.sock, ...)\n"
    "  --dump FILE           at the end, write the payload the device assembled to FILE (with\n"
    "                        several, one file each, its serial number before the extension)\n"
    "  --help                print this text\n";
inline constexpr std::string_view kUsbDeviceErrorPrefix = "kr55le-usb-device: ";
inline constexpr std::string_view kUsbDeviceStartedFormat =
    "USB %s %s on %s (vendor %04x, product %04x); Ctrl+C or SIGTERM ends it\n";
inline constexpr std::string_view kUsbLengthFormat =
    "report lengths above %zu bytes do not fit QEMU's control transfers";
inline constexpr std::string_view kUsbSocketNotSocket = " is there and is not a socket";
inline constexpr std::string_view kUsbSocketTooLong = " is too long for a unix socket";

}  // namespace kr55le::text
