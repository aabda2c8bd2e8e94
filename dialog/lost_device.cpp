// The end of a transfer whose device the link found gone: what the person is shown when no
// removal notice has (yet) made the scan that says so.
#include <vector>

#include "dialog/flashwell_dlg.h"
#include "res/strings.h"

namespace kr55le {

Outcome CFlashwellDlg::LostDeviceOutcome() {
  // A scan that a notice ran has shown what is left, or will once the exchange has ended.
  const auto scanned = [this] { return deferredScan_ || !link_.HasDevice(); };
  if (scanned()) return Outcome::NoDevice;
  // No notice came, or none yet: the device's own absence from the listing decides. A removal
  // takes its entry a moment after the failure that reported it, and its notice may come
  // meanwhile.
  const WaitEnd end =
      AwaitDeviceUnlisted([&] { return scanned() || CancelRequested || CloseRequested; });
  if (CloseRequested) return Outcome::Closed;
  if (CancelRequested) return Outcome::Cancelled;
  if (end == WaitEnd::Answered) {
    // Gone: the scan after the exchange finds what is left, as a notice's would.
    deferredScan_ = true;
    return Outcome::NoDevice;
  }
  if (end == WaitEnd::Ended) return Outcome::NoDevice;
  // Still listed, yet failing as removed (a backend that takes a stall for a removal, or the
  // device back at its node after a quick re-plug): it will not answer through this handle,
  // which is let go so that nothing waits on it.
  DeviceReady = false;
  link_.WithdrawRequest();
  link_.SetDevice(nullptr);
  openPath_.clear();
  return Fail(text::kCommunicationError, Outcome::NoDevice);
}

WaitEnd CFlashwellDlg::AwaitDeviceUnlisted(const std::function<bool()>& stop) {
  PollCounter counter(bounds_.lostDeviceListings, kOnePass);
  return PollUntil(
      counter, [this] { return !OpenDeviceListed(); }, stop, [this] { PumpMessages(); });
}

bool CFlashwellDlg::OpenDeviceListed() {
  const std::vector<hid::HidInterface> listed = hid_.Enumerate();
  for (const hid::HidInterface& interface : listed) {
    if (hid::SameInterfacePath(interface.path, openPath_)) return true;
  }
  return false;
}

}  // namespace kr55le
