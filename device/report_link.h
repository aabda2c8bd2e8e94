// The report link: two workers (threads, see LinkWorker) move reports between the open device and
// two shared buffers. The dialog fills OutputReport and raises WritePending; the writer sends it
// and clears the flag. A write that fails short of a removal (a stall, a time-out) is sent again on
// the writer's next passes until it goes through, a newer request replaces it, or the dialog
// withdraws it or ends its retries; a request raised with Resend::OnlyIfUnsent goes again only
// after a failure that proves the device got none of it, and is dropped, visibly, after any
// other. The reader publishes every input report into InputReport, where the dialog polls for its
// reply. The link knows nothing of what the bytes mean.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "device/device_handle.h"
#include "device/input_report.h"
#include "device/report_view.h"
#include "device/wake_signal.h"
#include "hid/hid_services.h"

namespace kr55le {

inline constexpr std::chrono::milliseconds kDefaultLinkPause{25};
// How long withdrawing a request waits for a write the writer has begun. A write ends within a
// pass; only a device whose write hangs runs into this.
inline constexpr std::chrono::seconds kWithdrawWaitLimit{2};

struct LinkTiming {
  std::chrono::milliseconds pause = kDefaultLinkPause;
  // Ends the writer's pause as soon as a request is raised, and the reader's as soon as the
  // writer has sent it. Off, both threads keep to plain sleeping passes.
  bool earlyWake = true;
};

enum class LinkThread { Reader, Writer };

// When a request whose write failed (short of a removal) goes again.
enum class Resend {
  AfterAnyFailure,  // the device may get it twice
  // Only after a failure that proves nothing of it left (hid::HidError::NotSent): a device that
  // got it, as a write that stalled or timed out may have reached it, must not get it again.
  OnlyIfUnsent,
};

// One of the link's two workers: a thread that runs its passes one after another, or, in a
// program without threads (the page in a browser), passes that the program runs itself between
// the dialog's polls; `stop` ends those.
struct LinkWorker {
  std::thread thread;
  std::function<void()> stop;

  bool Started() const { return thread.joinable() || static_cast<bool>(stop); }
  // Returns once no pass runs and none will.
  void Join();
};

// One pass of a worker; false once the link stops.
using LinkPass = std::function<bool()>;
// Starts worker `which`; returns 0 or the system's error code.
using ThreadLauncher = std::function<int(LinkThread which, LinkWorker& worker, LinkPass pass)>;
// A thread for the worker, running its passes until one says the link stops.
int LaunchThread(LinkThread which, LinkWorker& worker, LinkPass pass);

class ReportLink {
 public:
  explicit ReportLink(LinkTiming timing = {}, ThreadLauncher launcher = LaunchThread);
  ~ReportLink();  // stops and joins both threads
  ReportLink(const ReportLink&) = delete;
  ReportLink& operator=(const ReportLink&) = delete;

  // Starts the reader, then the writer; each that cannot start is reported with the system's
  // error code, and the other still starts. Starting again starts only what is not running.
  void StartThreads(const std::function<void(LinkThread, int)>& onFailure);

  // The device in use; null means none. A replaced device is closed when the last thread
  // using it lets go.
  void SetDevice(std::shared_ptr<hid::HidDevice> device);
  std::shared_ptr<hid::HidDevice> Device() const { return DeviceHandle.load(); }
  bool HasDevice() const { return DeviceHandle.HasDevice(); }
  // True once a read or write has found the device in use removed, until another is stored.
  // Waits that do not pump learn of a removal from this before the removal's notice arrives.
  bool DeviceGone() const { return DeviceHandle.Gone(); }
  // A device is open and has not been found removed: one atomic load, for polls.
  bool DeviceUsable() const { return DeviceHandle.Usable(); }
  void SetCaps(const hid::HidCaps& caps);
  hid::HidCaps Caps() const;

  // The first step of every request: OutputReport, to be filled. The writer sends no copy of
  // it that was taken while it was being filled.
  ReportView BeginRequest();
  // The last step of every request: OutputReport is complete before the flag goes up.
  void RaiseWritePending(Resend resend = Resend::AfterAnyFailure);
  // The last request raised (OnlyIfUnsent) was dropped after a failed write that may have reached
  // the device: it will not go again, though its answer may still come. The raising thread's own.
  bool LastRequestDropped() const;
  // Takes back a raised request the writer has not taken, or one it keeps to send again, and
  // waits (bounded) until a write it has begun has ended: a request meant for a device being
  // replaced must not reach the next, nor one whose wait has ended reach a device for ever.
  void WithdrawRequest();
  // The wait for the request's answer has ended: a raised request still goes out, once, and
  // none is sent again after a failed write. Does not wait for the writer.
  void EndRetries();
  // A request is raised and the writer has not taken it yet.
  bool IsWritePending() const { return IsRaised(WritePending.load(std::memory_order_acquire)); }
  // A request is raised, or the writer is still writing the one it took or keeps it to send
  // again.
  bool IsSending() const { return WritePending.load() != 0 || writing_.load(); }

  InputReportBuffer InputReport;
  std::array<SharedByte, kReportSize> OutputReport{};
  // The number of the raised request, 0 when none: the writer clears only the one it took.
  // Taken, it carries kRequestInFlight until its write has gone through or failed for good;
  // with kRequestSendOnce a failed write is not sent again, with kRequestOnlyIfUnsent only after
  // a NotSent failure.
  std::atomic<std::uint32_t> WritePending{0};
  static constexpr std::uint32_t kRequestInFlight = 1U << 31;
  static constexpr std::uint32_t kRequestSendOnce = 1U << 30;
  static constexpr std::uint32_t kRequestOnlyIfUnsent = 1U << 29;
  static constexpr std::uint32_t kRequestNumberMask = kRequestOnlyIfUnsent - 1;
  DeviceHandleSlot DeviceHandle;

 private:
  friend struct ReportLinkAccess;  // lets a test copy the request as the writer does
  bool ReaderPass();
  bool WriterPass();
  void Pause(WakeSignal& signal);
  std::size_t ReportLength(std::uint16_t length) const;
  // A request the writer has written, with what it may be sent again on.
  struct Attempt {
    std::uint32_t request = 0;  // 0: none
    std::uint64_t generation = 0;
    std::uint64_t reportsReadBefore = 0;
    bool unsent = false;  // its failure proved that none of it left
  };

  static bool IsRaised(std::uint32_t pending) {
    return pending != 0 && (pending & kRequestInFlight) == 0;
  }
  void NoteResult(const hid::HidResult& result, std::uint64_t generation);
  void SendRequest(std::span<std::uint8_t> report);
  void SendAgain(std::span<const std::uint8_t> report);
  void Write(hid::HidDevice& device, std::span<const std::uint8_t> report, const Attempt& attempt);
  void Release(std::uint32_t request);
  void Drop(std::uint32_t request);
  bool CopyRequest(std::span<std::uint8_t> report);

  LinkTiming timing_;
  ThreadLauncher launcher_;
  std::atomic<std::uint16_t> inputLength_{0};
  std::atomic<std::uint16_t> outputLength_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> writing_{false};
  // Odd while the dialog fills OutputReport, so that the writer can tell a torn copy.
  std::atomic<std::uint32_t> outputVersion_{0};
  std::uint32_t lastRequest_ = 0;  // the raising thread's own count
  // Reports the reader has read: a device that has sent one since a write failed may have
  // taken that write after all, and is not sent it twice.
  std::atomic<std::uint64_t> reportsRead_{0};
  // The failed write to send again on the next pass; the writer thread's own.
  Attempt retry_;
  // The number of the last request dropped (see LastRequestDropped), 0 when none.
  std::atomic<std::uint32_t> droppedRequest_{0};
  // Each worker's own report: the writer's holds its last request from pass to pass.
  std::array<std::uint8_t, kReportSize> readerReport_{};
  std::array<std::uint8_t, kReportSize> writerReport_{};
  WakeSignal readerWake_;
  WakeSignal writerWake_;
  LinkWorker reader_;
  LinkWorker writer_;
};

}  // namespace kr55le
