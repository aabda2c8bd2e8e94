// Every text the utility shows, exactly once. Handlers and hosts use these verbatim; each
// shows in the language chosen (res/language.h). The catalogs in po/ are made from this file:
// the comment above a text reaches its translators.
#pragma once

#include "res/text.h"

namespace kr55le::text {

// Window and application.
inline constexpr Text kDialogTitle = "Pardo KR-55LE Upgrade Utility v0.0.6";
inline constexpr Text kMakerNotice = "KR-55LE upgrade utility for Linux";
inline constexpr Text kMakerNoticeWindows = "KR-55LE upgrade utility for Windows";
inline constexpr Text kMakerNoticeWeb = "KR-55LE upgrade utility for the web";
inline constexpr Text kSocketsInitFailed = "Windows sockets initialization failed.";
inline constexpr Text kReadThreadFailed = "Error occured when creating Read thread (%d)\n";
inline constexpr Text kWriteThreadFailed = "Error occured when creating Write thread (%d)\n";

// Template captions.
inline constexpr Text kCaptionDeviceStatus = "Device Status";
inline constexpr Text kCaptionBrowseFile = "&Browse File";
inline constexpr Text kCaptionUpgrade = "&Upgrade";
inline constexpr Text kCaptionCancel = "&Cancel";
inline constexpr Text kCaptionMessage = "Message         :";
inline constexpr Text kCaptionSerialNumber = "Device Serial Number";
inline constexpr Text kCaptionFileVersion = "Software Version of File";
inline constexpr Text kCaptionDeviceVersion = "Device Software Version";
inline constexpr Text kCaptionBootloaderVersion = "Bootloader Version";
inline constexpr Text kCaptionUpgradeMode = "Upgrade mode";

inline constexpr Text kDeviceEntryNamed = "Pardo KR-55LE is connected";
inline constexpr Text kDeviceEntryUnnamed = "Add the name of device";
inline constexpr Text kNoDeviceAttached = "No device is attached";
inline constexpr Text kNotInUpgradeMode =
    "Device is not connected in upgrade mode, read user manual for device upgrade.";
inline constexpr Text kConnectedAudioMode = "Device is connected in audio upgrade mode.";
inline constexpr Text kConnectedFirmwareMode = "Device is connected in firmware upgrade mode.";
inline constexpr Text kBrowseForUpgrade = "Browse a file for upgrade.";
// Another program has taken the device (the window looks again every few seconds).
inline constexpr Text kDeviceInUse =
    "Device is in use by another program: close that program, and the window goes on by itself.";
inline constexpr Text kModeAudio = "Audio upgrade";
inline constexpr Text kModeFirmware = "Firmware upgrade";
inline constexpr Text kMultipleDevicesBox =
    "Multiple devices are attached. Remove any one device for contiued operation. \n";

// Image selection.
inline constexpr Text kOpenDialogTitle = "Pardo KR-55 files";
inline constexpr Text kOpenDialogFilter = "Bin Files: (*.bin)|*.bin|";
inline constexpr Text kFileOpenFail = "File Open Fail";
inline constexpr Text kInvalidFile = "Error: Invalid File";
inline constexpr Text kRejectedFile = "Error: Invalid file,please select valid binary file";
inline constexpr Text kSameVersion =
    "Device software version is same as  file software version, do you want to repair?";
inline constexpr Text kOtherVersion = "Do you want to upgrade the device?";

// Image file rules.
inline constexpr Text kEmptyFile = "Empty file selected";
inline constexpr Text kFileTooLarge = "File size too large";

// Upgrade transfer.
inline constexpr Text kMultipleDeviceAttached = "Multiple device attached";
inline constexpr Text kSelectValidFile = "Please select the valid file";
inline constexpr Text kResetDeviceFirst = "Please reset the device in upgrade mode first";
inline constexpr Text kPressUpgrade = "Now press Upgrade button to upgrade the device";
inline constexpr Text kUpgrading = "Upgrading the device, please wait...";
inline constexpr Text kFirmwareUpgrading =
    "Firmware is Upgrading... ( Please do not unplug the cable )";
inline constexpr Text kAudioUpgrading = "Audio is Upgrading... ( Please do not unplug the cable )";
inline constexpr Text kCommunicationError = "Communication error: Reset the device and try again";
inline constexpr Text kUploadFailed = "Communication error: Uploading is failed, please try again";
inline constexpr Text kFirmwareCompleted = "Firmware upgrade completed";
inline constexpr Text kAudioCompleted = "Audio upgrade completed";

// Cancel and close.
inline constexpr Text kUpgradeDiscontinued =
    "Upgrade discontinued. Please re-connect the device in upgrade mode";

// The page in a web browser.
inline constexpr Text kConnectDevice = "Connect device";
inline constexpr Text kSaveRecording = "Save recording";
inline constexpr Text kNoWebHid =
    "This page needs WebHID to reach the device: open it in Chrome, Edge or Opera on a computer, "
    "from an https address (or from localhost).";
inline constexpr Text kPageEnded = "The utility has closed. Reload the page to start it again.";
inline constexpr Text kWakeLockRefused =
    "The browser did not keep the screen awake: keep this tab in front until the upgrade ends.";
// The page on a simulated device ("?simulate=" in its address): before its title, and on a line
// above the dialog.
inline constexpr Text kDemoTitlePrefix = "Simulated device, no device is changed - ";
inline constexpr Text kDemoNotice =
    "Demonstration: the device below is simulated. No device is reached or changed, whatever "
    "the dialog says. To upgrade a device, open this address without \"?simulate=\".";
// In place of kDeviceInUse: on the page, only another tab or window of the same browser holds a
// device. The second names it by its title, when it says its title.
inline constexpr Text kDeviceInUseInOtherTab =
    "Device is in use in another tab or window of this browser: close it, then reload this page.";
inline constexpr Text kDeviceInUseInNamedTabFormat =
    "Device is in use in the tab or window \"%s\" of this browser: close it, then reload this "
    "page.";
// The accessible names of the controls that have no caption of their own.
inline constexpr Text kNameImagePath = "Image file";
inline constexpr Text kNamePercent = "Percentage";
inline constexpr Text kNameProgress = "Progress";
inline constexpr Text kNameDevicePaths = "Device paths";
// Between the status line's name and the status it shows, in the name a screen reader speaks.
inline constexpr Text kStatusNameSeparator = ": ";

// Command line.
// The window shows the permission hint too: as the status line's tooltip and on standard error.
inline constexpr Text kPermissionHintFormat =
    "%s cannot be opened: permission denied. Install the udev rule 70-kr55le-upgrade.rules in "
    "/etc/udev/rules.d (or the package that ships it), then re-plug the device.";
inline constexpr Text kFlashUsage =
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
    "  --lang LANGUAGE       write the texts in LANGUAGE (de, fr, es, ja, zh_CN; en for the\n"
    "                        English ones) rather than in the locale's; --json is English\n"
    "  --help                print this text\n"
    "  --version             print the version\n"
    "exit status: 0 done, 1 not done (the last message line says why), 2 wrong usage,\n"
    "3 the device may not be opened, 4 the device answers with another serial number\n";
inline constexpr Text kFlashShortUsage =
    "usage: kr55le-flash [OPTIONS] list | info | check IMAGE | upgrade IMAGE | inspect IMAGE\n"
    "       kr55le-flash --help tells more\n";
inline constexpr Text kMissingCommand = "missing command";
inline constexpr Text kUnknownLanguage = "no translation for the language ";
inline constexpr Text kUnknownCommand = "unknown command ";
inline constexpr Text kUnknownOption = "unknown option ";
inline constexpr Text kMissingValue = "missing value for ";
inline constexpr Text kUnexpectedValue = "no value expected for ";
inline constexpr Text kBadWaitScale = "--wait-scale needs a positive decimal, not ";
inline constexpr Text kBadSimulateOptions = "--simulate: ";
inline constexpr Text kDumpNeedsSimulate = "--simulate-dump needs --simulate";
inline constexpr Text kBadWait = "--wait needs a positive number of seconds, not ";
inline constexpr Text kWaitNotForInspect = "--wait is for list, info, check and upgrade";
inline constexpr Text kDeviceNotForCommand = "--device is for info, check and upgrade";
inline constexpr Text kNoDeviceMatches = "no device matches --device ";
inline constexpr Text kRecordNotForInspect = "--record is for list, info, check and upgrade";
inline constexpr Text kRecordWriteFailed = "cannot write the recording to ";
inline constexpr Text kSerialNotForCommand =
    "--serial is for check and upgrade, without --all or --each (their runs get their own)";
inline constexpr Text kOtherDeviceFormat =
    "the device answers with serial number %s, not %s: nothing more is sent to it";
inline constexpr Text kAllNotForCommand = "--all is for check and upgrade";
inline constexpr Text kAllWithDevice = "--all and --device exclude each other";
inline constexpr Text kWaitScaleTooLargeFormat =
    "--wait-scale is at most %.0f (the waits' poll counts would overflow), not ";
inline constexpr Text kBadEach = "--each needs a positive whole number of devices, not ";
inline constexpr Text kEachNotForCommand = "--each is for upgrade";
inline constexpr Text kEachWithAll = "--each and --all exclude each other";
inline constexpr Text kEachWithDevice = "--each and --device exclude each other";
inline constexpr Text kEachWithWait = "--each waits for devices itself: leave out --wait";

// The replay of a recording, when the utility sends what the recorded one did not.
inline constexpr Text kReplayDiffersFormat =
    "replay: report %zu differs at byte %zu: expected 0x%02x, got 0x%02x\n";
inline constexpr Text kReplayLengthFormat =
    "replay: report %zu is %zu bytes long, the recorded one %zu\n";
inline constexpr Text kReplayEndedFormat =
    "replay: report %zu comes after the end of the recording\n";
inline constexpr Text kCannotReplay = "cannot replay ";
inline constexpr Text kReplayCannotOpen = ": cannot be opened";
inline constexpr Text kReplayNotRegularFile = ": not a regular file";
inline constexpr Text kReplayTooLargeFormat =
    ": larger than any recorded session (at most %zu bytes)";

// check --all and upgrade --all.
inline constexpr Text kNoDeviceAnswered = "no device answered";
inline constexpr Text kLeftOutFormat = "left out %s: %s";
// upgrade --each.
inline constexpr Text kUpgradedOnceFormat = "left alone %s: %s is upgraded only once in a run";
inline constexpr Text kEmptySerialFormat =
    "left alone %s: its serial number is empty: it cannot be told apart from another device";
inline constexpr Text kSameSerialFormat =
    "left alone %s: another device attached has its serial number %s";
inline constexpr Text kNoDeviceUpgraded = "no device was upgraded";
inline constexpr Text kCannotStartRun = "cannot start a run for ";
inline constexpr Text kResultDone = "done";
inline constexpr Text kResultFailed = "failed";
inline constexpr Text kResultNoPermission = "no permission";
inline constexpr Text kResultNotStarted = "not started";
inline constexpr Text kResultOtherDevice = "other device";
inline constexpr Text kSummarySerial = "serial";
inline constexpr Text kSummaryPath = "path";
inline constexpr Text kSummaryResult = "result";
inline constexpr Text kSummarySeconds = "seconds";
inline constexpr Text kSummaryMessage = "last message";
inline constexpr Text kMissingImage = "missing IMAGE for ";
inline constexpr Text kUnexpectedArgument = "unexpected argument ";
inline constexpr Text kDumpWriteFailed = "cannot write the simulated payload to ";
inline constexpr Text kWordOk = "ok";
inline constexpr Text kWordYes = "yes";
inline constexpr Text kWordNo = "no";
inline constexpr Text kWordFirmware = "firmware";
inline constexpr Text kWordAudio = "audio";
inline constexpr Text kWordUnknown = "unknown";
// The progress of a transfer, by blocks sent of blocks in all.
inline constexpr PluralText kProgressStartFormat{"%u/%u blocks, %u %%", "%u/%u blocks, %u %%"};
inline constexpr PluralText kProgressFormat{"%u/%u blocks, %u %%, %.1f KiB/s, %u:%02u left",
                                            "%u/%u blocks, %u %%, %.1f KiB/s, %u:%02u left"};

// The hold on sleep and shutdown during a transfer, as the system lists it.
inline constexpr Text kHoldWho = "KR-55LE upgrade utility";
inline constexpr Text kHoldWhy = "Transferring an image to the device";
inline constexpr Text kNoSystemHold = "Sleep and shutdown are not held off during transfers: ";

}  // namespace kr55le::text
