// Finding, opening and identifying the device: the scan that runs at start and on every HID
// arrival or removal, and the looks at a device another program has until it is free.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "dialog/flashwell_dlg.h"
#include "dialog/interface_paths.h"
#include "res/names.h"
#include "res/strings.h"

namespace kr55le {
namespace {

std::string ToUpper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool IsUsableLength(std::uint16_t length) {
  return length > 0 && length <= kReportSize;
}

constexpr std::uint8_t kMaxDeviceCount = 255;

// The selected entry's path, spelled as the system gave it (the list holds upper case).
std::string SelectedPath(const ControlModel& controls, const std::vector<std::string>& listed) {
  const std::string selected =
      controls.ItemText(Control::DevicePathList, controls.GetCurSel(Control::DeviceCombo));
  const auto match = std::find_if(
      listed.begin(), listed.end(),
      [&selected](const std::string& path) { return hid::SameInterfacePath(path, selected); });
  return match != listed.end() ? *match : selected;
}

void ShowPermissionHint(DialogHost& host, const std::string& path) {
  const std::string hint = PermissionHintFor(path);
  host.ShowHint(hint);
  std::fprintf(stderr, "%s\n", hint.c_str());
}

}  // namespace

void CFlashwellDlg::OnDeviceChange(hid::DeviceChange) {
  // Only HID interface notices reach the dialog; arrival and removal both rescan.
  ScanDevices();
}

void CFlashwellDlg::OnTimer() {
  // A tick queued before the timer stopped is not acted on, nor one inside another handler's
  // exchange, which a scan would disturb.
  if (!lookingAgain_ || ExchangeRunning()) return;
  // Opening sends nothing. While the device stays taken, the window stays as it is: no beep, no
  // list rebuilt every few seconds. Once it is free, this hold keeps it so through the scan.
  hid::HidResult result;
  const std::shared_ptr<hid::HidDevice> look = hid_.Open(SelectedDevicePath(), result);
  if (!look && result.error == hid::HidError::InUse) return;
  ScanDevices();
}

void CFlashwellDlg::LookAgainWhile(bool inUse) {
  if (inUse == lookingAgain_) return;
  lookingAgain_ = inUse;
  if (inUse) {
    host_.SetTimer(kInUseLookInterval);
  } else {
    host_.KillTimer();
  }
}

void CFlashwellDlg::ScanDevices() {
  outcomes_.Set(Handler::Scan, Scan());
}

Outcome CFlashwellDlg::Scan() {
  const std::vector<std::string> listed = ListDevices();
  if (exchangeDepth_ > 0 && DeviceCount > 0) return KeepOrDeferOpenDevice();

  OpenSelectedDevice();
  UpdatePermissionHint(listed);
  if (DeviceCount == 0) {
    LookAgainWhile(false);
    EnterNoDeviceState();
    return Outcome::NoDevice;
  }

  DeviceReady = true;
  controls_.Enable(Control::BrowseButton, true);
  controls_.Enable(Control::CancelButton, false);
  controls_.Enable(Control::PathEdit, true);
  const Outcome identified = Identify();
  LookAgainWhile(identified == Outcome::InUse);
  if (DeviceCount >= 2) {
    host_.MessageBox(text::kMultipleDevicesBox);
    host_.MessageBeep(Beep::Error);
  }
  return identified;
}

std::vector<std::string> CFlashwellDlg::ListDevices() {
  DeviceCount = 0;
  std::string remembered;
  if (const int selected = controls_.GetCurSel(Control::DeviceCombo); selected != kNoSelection) {
    remembered = controls_.ItemText(Control::DevicePathList, selected);
  }
  controls_.ResetContent(Control::DeviceCombo);
  controls_.ResetContent(Control::DevicePathList);

  std::vector<std::string> listed;  // as the system gives them, for the permission hint
  for (const hid::HidInterface& interface : hid_.Enumerate()) {
    // Only the stored copy is upper-cased.
    if (!IsScannedInterface(interface.path)) continue;
    listed.push_back(interface.path);
    const int index = controls_.AddString(Control::DevicePathList, ToUpper(interface.path));
    if (DeviceCount < kMaxDeviceCount) ++DeviceCount;
    // The entry goes to the index its path got, so that each entry stays paired with its own
    // path even when the entry texts sort otherwise than the paths.
    controls_.InsertString(
        Control::DeviceCombo, index,
        interface.description ? text::kDeviceEntryNamed : text::kDeviceEntryUnnamed);
  }

  int chosen = 0;
  if (!remembered.empty()) {
    const int found = controls_.FindString(Control::DevicePathList, 0, remembered);
    if (found != kNoSelection) chosen = found;
  }
  controls_.SetCurSel(Control::DeviceCombo, chosen);
  return listed;
}

Outcome CFlashwellDlg::KeepOrDeferOpenDevice() {
  // Inside another handler's wait: keep the open device and its exchange undisturbed while it
  // is still there; otherwise stop that operation and scan in full once it has returned.
  Outcome outcome = Outcome::Identified;
  const int open = controls_.FindString(Control::DevicePathList, -1, openPath_);
  if (!openPath_.empty() && open != kNoSelection && !DeviceLost()) {
    controls_.SetCurSel(Control::DeviceCombo, open);
  } else {
    DeviceReady = false;
    deferredScan_ = true;
    outcome = Outcome::NoDevice;
  }
  if (DeviceCount >= 2) {
    host_.MessageBox(text::kMultipleDevicesBox);
    host_.MessageBeep(Beep::Error);
  }
  return outcome;
}

void CFlashwellDlg::UpdatePermissionHint(const std::vector<std::string>& listed) {
  if (LastOpenResult.error == hid::HidError::PermissionDenied) {
    ShowPermissionHint(host_, SelectedPath(controls_, listed));
    hintShown_ = true;
  } else if (hintShown_ && (link_.HasDevice() || DeviceCount == 0)) {
    host_.ShowHint({});  // no longer true
    hintShown_ = false;
  }
}

Outcome CFlashwellDlg::Identify() {
  if (LastOpenResult.error == hid::HidError::InUse) {
    EnterUnusableState(text::kDeviceInUse);
    return Outcome::InUse;
  }
  link_.InputReport.Mark(kDeviceInfoMarker);
  BuildDeviceInfoRequest(link_.BeginRequest());
  UpdateData(false);
  link_.RaiseWritePending();

  const std::optional<DeviceInfoReply> reply = AwaitDeviceInfo();
  if (reply) {
    ShowIdentification(*reply);
    return Outcome::Identified;
  }
  EnterUnusableState(text::kNotInUpgradeMode);
  return link_.HasDevice() ? Outcome::NotAnswering : Outcome::NoDevice;
}

void CFlashwellDlg::EnterUnusableState(std::string_view message) {
  DeviceReady = false;
  controls_.SetText(Control::MessageEdit, message);
  host_.MessageBeep(Beep::Error);
  controls_.Enable(Control::BrowseButton, false);
  controls_.Enable(Control::UpgradeButton, false);
  controls_.Enable(Control::PathEdit, false);
}

std::optional<DeviceInfoReply> CFlashwellDlg::AwaitDeviceInfo() {
  // With no device open the request cannot go out, so there is nothing to wait for.
  if (!link_.HasDevice()) return std::nullopt;
  ReportCopy copy{};
  // A tight wait: no messages are pumped until the scan has its answer.
  PollCounter counter(bounds_.deviceInfo, kOnePass);
  const WaitEnd end = PollInSlices(
      counter, linkRunInterval_,
      [&] {
        return link_.InputReport[kReplyIdByte] == kDeviceInfoReplyId &&
               link_.InputReport.TakeIf(IsDeviceInfoReply, copy);
      },
      // A device removed during the exchange will not answer.
      [this] { return link_.DeviceGone(); }, [] {}, [this] { host_.RunLink(); });
  link_.EndRetries();  // however it ended: a stalled device is not written to for ever
  if (end != WaitEnd::Answered) return std::nullopt;
  return ReadDeviceInfoReply(ReportView(std::span(copy)));
}

void CFlashwellDlg::ShowIdentification(const DeviceInfoReply& reply) {
  const bool audio = reply.Mode == UpgradeMode::Audio;
  const std::string_view modeMessage =
      audio ? text::kConnectedAudioMode : text::kConnectedFirmwareMode;
  controls_.SetText(Control::UpgradeModeField, audio ? text::kModeAudio : text::kModeFirmware);
  controls_.SetText(Control::SerialNumberField, reply.SerialNumber);
  controls_.SetText(Control::SoftwareVersionField, reply.SoftwareVersion);
  controls_.SetText(Control::BootloaderField, reply.BootloaderVersion);

  controls_.SetText(Control::PathEdit, name::kPathPlaceholder);
  controls_.SetText(Control::MessageEdit,
                    std::string(modeMessage) + std::string(text::kBrowseForUpgrade));
  CloseRequested = false;
  controls_.Enable(Control::BrowseButton, true);
  controls_.Enable(Control::PathEdit, true);
}

void CFlashwellDlg::EnterNoDeviceState() {
  DeviceReady = false;
  for (Control field :
       {Control::SerialNumberField, Control::FileVersionField, Control::SoftwareVersionField,
        Control::BootloaderField, Control::UpgradeModeField}) {
    controls_.SetText(field, "");
  }
  controls_.SetText(Control::MessageEdit, text::kNoDeviceAttached);
  host_.MessageBeep(Beep::Error);
  for (Control control :
       {Control::BrowseButton, Control::UpgradeButton, Control::CancelButton, Control::PathEdit}) {
    controls_.Enable(control, false);
  }
  controls_.SetText(Control::PercentEdit, "");
  controls_.SetPos(0);
}

std::string CFlashwellDlg::SelectedDevicePath() const {
  const int selected = controls_.GetCurSel(Control::DeviceCombo);
  return selected != kNoSelection ? controls_.ItemText(Control::DevicePathList, selected)
                                  : std::string();
}

void CFlashwellDlg::OpenSelectedDevice() {
  UpdateData(true);
  const std::string path = SelectedDevicePath();

  // Whatever was raised for the device in use (a block for one just removed) is not for the
  // device opened now.
  link_.WithdrawRequest();
  std::shared_ptr<hid::HidDevice> device;
  if (path.empty()) {
    LastOpenResult = {hid::HidError::NotFound, 0, "no device selected"};
  } else {
    device = hid_.Open(path, LastOpenResult);
  }
  link_.SetDevice(device);
  openPath_ = device ? path : std::string();

  if (device) {
    // The attributes are not used. Whatever their query says, the lengths are read afresh:
    // stale ones from an earlier device must not size this one's reports.
    hid::HidAttributes attributes;
    device->GetAttributes(attributes);
    const hid::HidResult capsResult = ReadHidCaps();
    const hid::HidCaps caps = link_.Caps();
    if (!capsResult.ok() || !IsUsableLength(caps.InputReportByteLength) ||
        !IsUsableLength(caps.OutputReportByteLength)) {
      // Reports that do not fit the 1024-byte buffers (or none at all): not this device.
      LastOpenResult = capsResult.ok() ? hid::HidResult{hid::HidError::TooLong, 0,
                                                        "report lengths do not fit 1024 bytes"}
                                       : capsResult;
      link_.SetDevice(nullptr);
      openPath_.clear();
    }
  }
  UpdateData(false);
}

hid::HidResult CFlashwellDlg::ReadHidCaps() {
  const auto device = link_.Device();
  if (!device) return {hid::HidError::NotFound, 0, "no device open"};
  hid::HidCaps caps;  // zero lengths when the query fails: such a device is not used
  const hid::HidResult result = device->GetCaps(caps);
  link_.SetCaps(caps);
  return result;
}

}  // namespace kr55le
