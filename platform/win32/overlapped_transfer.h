// One overlapped ReadFile or WriteFile at a time on a device handle, with a bounded wait; a
// transfer that does not end in time is cancelled (CancelIoEx), and the cancellation is waited
// for, so that the system never writes into a buffer that has gone. A transfer whose
// cancellation does not end within its wait keeps the buffer in the system's hands: until it is
// seen to end, nothing touches the buffer, and a read that ends that late still hands over its
// report.
#pragma once

#include "platform/win32/windows_headers.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace kr55le::win32 {

// How long a cancelled transfer may take to end. A driver that does not end it by then keeps
// the buffer until it does (see Run), for good if it never does (see ~OverlappedTransfer).
inline constexpr std::chrono::milliseconds kCancelWait{1000};

enum class TransferKind { Read, Write };

enum class TransferOutcome {
  Done,      // `transferred` bytes moved
  TimedOut,  // nothing within the timeout; the transfer was cancelled
  Failed,    // `error` says why
  Stuck,     // a cancelled transfer has not ended: the buffer stays in the system's hands
};

struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Failed;
  DWORD transferred = 0;
  DWORD error = 0;
  // The system took the transfer (ReadFile or WriteFile did not fail at once): a write may have
  // moved bytes, however it ended. False when none was started, or the call refused it.
  bool queued = false;
};

// The system calls a transfer makes, each as the function it stands for does it (failures
// through SetLastError), so that a test can stand in for a driver: one that holds on to a
// cancelled transfer, say.
class TransferCalls {
 public:
  virtual ~TransferCalls() = default;
  // ReadFile or WriteFile of `size` bytes at `buffer`, overlapped.
  virtual BOOL Start(TransferKind kind, HANDLE device, std::uint8_t* buffer, DWORD size,
                     OVERLAPPED* overlapped) = 0;
  // CancelIoEx.
  virtual BOOL Cancel(HANDLE device, OVERLAPPED* overlapped) = 0;
  // GetOverlappedResult, without waiting.
  virtual BOOL Result(HANDLE device, OVERLAPPED* overlapped, DWORD* transferred) = 0;
  // WaitForSingleObject on the transfer's event.
  virtual DWORD Wait(HANDLE event, DWORD milliseconds) = 0;
};

// The system's own calls.
TransferCalls& SystemTransferCalls();

class OverlappedTransfer {
 public:
  // `calls` must outlive the transfer.
  OverlappedTransfer(TransferKind kind, std::size_t bufferSize,
                     TransferCalls& calls = SystemTransferCalls());
  // A transfer that never ended keeps its state alive on purpose: it cannot be freed under the
  // driver. The handle must be closed first (which cancels what is still pending).
  ~OverlappedTransfer();
  OverlappedTransfer(const OverlappedTransfer&) = delete;
  OverlappedTransfer& operator=(const OverlappedTransfer&) = delete;

  // What the last read that was Done received (its first `transferred` bytes), or what the
  // last write sent.
  std::span<const std::uint8_t> Buffer() const;
  std::size_t Size() const;

  // Moves the whole buffer; waits up to `timeout` for the transfer to end. A write sends
  // `outgoing`, padded with zeros to Size() (Failed with ERROR_INVALID_PARAMETER when longer);
  // a read takes none.
  //
  // While an earlier transfer has not been seen to end (it was Stuck), the call is Stuck too:
  // it neither starts a transfer nor touches the buffer. Once that one has ended, a read that
  // received a report (or failed) then returns that as this call's result, so that no report
  // is lost; a cancelled read, and any write, goes on to start the new transfer.
  TransferResult Run(HANDLE device, std::chrono::milliseconds timeout,
                     std::span<const std::uint8_t> outgoing = {});

 private:
  struct State {
    UniqueHandle event;
    OVERLAPPED overlapped{};
    std::vector<std::uint8_t> buffer;
    bool pending = false;  // started and not seen to end
  };
  // `cancelled`: an aborted transfer is the timeout's doing, not a failure.
  TransferResult Finish(HANDLE device, bool cancelled);
  TransferResult Cancel(HANDLE device);

  const TransferKind kind_;
  TransferCalls& calls_;
  State* state_;  // owned; leaked only while `pending`
};

}  // namespace kr55le::win32
