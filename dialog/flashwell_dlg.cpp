#include "dialog/flashwell_dlg.h"

#include <cstdio>

#include "res/dialog_template.h"
#include "res/strings.h"

namespace kr55le {

CFlashwellDlg::CFlashwellDlg(DialogHost& host, ControlModel& controls, hid::HidServices& hid,
                             ReportLink& link, WaitBounds bounds)
    : host_(host),
      controls_(controls),
      hid_(hid),
      link_(link),
      bounds_(bounds),
      linkRunInterval_(host.LinkRunInterval()) {}

void CFlashwellDlg::EndExchange() {
  if (--exchangeDepth_ == 0) RunDeferredScan();
}

void CFlashwellDlg::RunDeferredScan() {
  if (!deferredScan_) return;
  deferredScan_ = false;
  ScanDevices();
}

void CFlashwellDlg::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    DeviceComboText = controls_.Text(Control::DeviceCombo);
  } else if (controls_.SelectString(Control::DeviceCombo, DeviceComboText) == kNoSelection) {
    controls_.SetText(Control::DeviceCombo, DeviceComboText);
  }
}

bool CFlashwellDlg::OnInitDialog() {
  // The controls start as the template has them (Upgrade and Cancel disabled).
  for (Control control : kAllControls) {
    controls_.Enable(control, dialog_template::StartsEnabled(control));
  }
  UpdateData(false);
  host_.SetIcon();
  notices_.emplace(hid_, [this](hid::DeviceChange change) { host_.PostDeviceChange(change); });
  link_.StartThreads([this](LinkThread thread, int error) {
    const std::string_view format =
        thread == LinkThread::Reader ? text::kReadThreadFailed : text::kWriteThreadFailed;
    char message[128];
    std::snprintf(message, sizeof message, std::string(format).c_str(), error);
    host_.MessageBox(message);
  });
  host_.CreateRuntimeControls();
  ScanDevices();
  return true;
}

bool CFlashwellDlg::DeviceLost() const {
  // A nested scan that found the device in use no longer listed has deferred its full scan.
  return !link_.DeviceUsable() || deferredScan_;
}

void CFlashwellDlg::PumpMessages() {
  host_.PumpMessages();
}

}  // namespace kr55le
