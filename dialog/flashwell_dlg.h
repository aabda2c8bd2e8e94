// The main dialog: its state, the message map and the handlers. The handlers are defined in the
// files of their concern beside this one (discovery.cpp, browse_file.cpp, transfer.cpp,
// cancel_close.cpp); this class keeps them together with the state they share.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/protocol.h"
#include "device/report_link.h"
#include "dialog/bounded_wait.h"
#include "dialog/outcome.h"
#include "dialog/wait_bounds.h"
#include "hid/hid_services.h"
#include "hid/notice_registration.h"
#include "image/image_header.h"
#include "image/image_inspection.h"
#include "image/image_payload.h"
#include "window/control_model.h"
#include "window/dialog_host.h"

namespace kr55le {

// How often the window looks again at a device another program has: soon after that program
// ends, the window goes on by itself.
inline constexpr std::chrono::milliseconds kInUseLookInterval = std::chrono::seconds(2);

class CFlashwellDlg : public DialogMessages {
 public:
  CFlashwellDlg(DialogHost& host, ControlModel& controls, hid::HidServices& hid, ReportLink& link,
                WaitBounds bounds = {});

  // Message map.
  bool OnInitDialog() override;
  void OnBrowseFile() override;
  void OnUpgrade() override;
  void OnCancelUpgrade() override;
  void OnOK() override;
  void OnCancel() override;
  void OnDeviceChange(hid::DeviceChange change) override;
  // While the device is in use: a look at whether it is free, and a scan once it is.
  void OnTimer() override;

  void ScanDevices();
  void OpenSelectedDevice();
  // Refreshes the link's report lengths from the open device; the query's result.
  hid::HidResult ReadHidCaps();
  void DoDataExchange(bool saveAndValidate);
  void UpdateData(bool saveAndValidate) { DoDataExchange(saveAndValidate); }
  void PumpMessages();
  // The close's wait for the exit request lets the link run where it has no threads of its own.
  void LetLinkRun() {
    if (linkRunInterval_ != 0) host_.RunLink();
  }
  // The wait bounds in force; tests shrink one of them before the wait they run into.
  WaitBounds& bounds() { return bounds_; }
  // How the handler last ended.
  Outcome LastOutcome(Handler handler) const { return outcomes_.Of(handler); }

  // State the handlers share (read by tests and the console tool).
  std::uint8_t DeviceCount = 0;
  bool DeviceReady = false;
  bool FileSelected = false;
  bool CancelRequested = false;
  bool CloseRequested = false;
  std::string ImagePath;
  std::string DeviceComboText;
  ImageHeaderCopies Header;
  std::uint32_t FullBlockCount = 0;
  std::uint32_t LastPercentage = 0;
  // The last open's result, so a host can tell the user why a listed device is not usable.
  hid::HidResult LastOpenResult;

 private:
  // The handlers' bodies; each returns how it ended.
  Outcome Scan();
  Outcome BrowseFile();
  Outcome Upgrade();

  // The scan's parts.
  std::vector<std::string> ListDevices();
  void UpdatePermissionHint(const std::vector<std::string>& listed);
  Outcome KeepOrDeferOpenDevice();
  void EnterNoDeviceState();
  // A device is listed but cannot be used: it did not answer, or another program has it.
  void EnterUnusableState(std::string_view message);
  Outcome Identify();
  std::optional<DeviceInfoReply> AwaitDeviceInfo();
  void ShowIdentification(const DeviceInfoReply& reply);
  // The timer runs exactly while the window shows the device in use.
  void LookAgainWhile(bool inUse);
  // The path of the device selected in the box (upper-cased), empty when none is.
  std::string SelectedDevicePath() const;
  void RunDeferredScan();

  // Handlers waiting for the device mark their exchange, so that a scan inside it leaves the
  // device alone; the last to end runs the scan it deferred.
  void BeginExchange() { ++exchangeDepth_; }
  void EndExchange();
  // A handler is waiting for the device (or an upgrade, from its first step, is running).
  bool ExchangeRunning() const { return exchangeDepth_ > 0 || upgradeRunning_; }

  // The image check, sent by Browse and again by the upgrade before anything is transferred.
  // Nothing when the device answered, otherwise why not: closed, no device, or not answering.
  std::optional<Outcome> RequestImageCheck(PollCounter& counter, ReportCopy& reply);
  Outcome ShowCheckVerdict(ReportCopy& reply);
  Outcome CheckChosenFile();
  void BrowseCheckUnanswered();

  // The upgrade's parts: nothing when it may go on, otherwise how it ended.
  std::optional<Outcome> RepeatImageCheck(PollCounter& counter);
  std::optional<Outcome> StartUpgrade(PollCounter& counter);
  Outcome SendBlocks(const PayloadPlan& plan);
  WaitEnd AwaitAcknowledgement(std::uint8_t sequence, bool& progressPending, ReportCopy& ack);
  void StepProgress(bool& progressPending);
  Outcome Fail(std::string_view message, Outcome outcome);
  Outcome Refuse(ImageVerdict verdict);
  bool StopRequested() const;
  // What ended a transfer's wait early: a close, a cancel, or the device.
  Outcome StopOutcome();
  // The transfer's device is lost: it ends with a visible result, the scan that finds no device
  // or the communication error (lost_device.cpp).
  Outcome LostDeviceOutcome();
  bool OpenDeviceListed();
  // Reads the listing again, pumping between, until the open device has left it (Answered),
  // `stop` holds (Ended) or the bound is spent (Exhausted): a removal takes the device's entry a
  // moment after the failure that reported it.
  WaitEnd AwaitDeviceUnlisted(const std::function<bool()>& stop);
  // No device is open, or the one in use has gone: nothing will answer a request.
  bool DeviceLost() const;

  DialogHost& host_;
  ControlModel& controls_;
  hid::HidServices& hid_;
  ReportLink& link_;
  WaitBounds bounds_;
  const unsigned linkRunInterval_;

  // The path of the device the link has open, as listed (upper-cased).
  std::string openPath_;
  // Handlers waiting for the device, counting nesting; a scan inside such a wait must not
  // disturb the waiting exchange.
  int exchangeDepth_ = 0;
  bool deferredScan_ = false;
  bool upgradeRunning_ = false;
  bool hintShown_ = false;
  bool lookingAgain_ = false;  // the timer runs
  Outcomes outcomes_;

  ImagePayload ImagePayload_;
  std::array<std::uint8_t, kReportSize> DataBlock{};
  // Last, so that it goes first: no notice reaches a dialog being destroyed.
  std::optional<hid::NoticeRegistration> notices_;
};

}  // namespace kr55le
