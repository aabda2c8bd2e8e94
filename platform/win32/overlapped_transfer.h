// One overlapped ReadFile or WriteFile at a time on a device handle, with a bounded wait; a
// transfer that does not end in time is cancelled (CancelIoEx), and the cancellation is waited
// for, so that the system never writes into a buffer that has gone.
#pragma once

#include "platform/win32/windows_headers.h"

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/win32/unique_handle.h"

namespace kr55le::win32 {

// How long a cancelled transfer may take to end. A driver that does not end it by then keeps
// the buffer for good (see ~OverlappedTransfer).
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
};

class OverlappedTransfer {
 public:
  OverlappedTransfer(TransferKind kind, std::size_t bufferSize);
  // A transfer that never ended keeps its state alive on purpose: it cannot be freed under the
  // driver. The handle must be closed first (which cancels what is still pending).
  ~OverlappedTransfer();
  OverlappedTransfer(const OverlappedTransfer&) = delete;
  OverlappedTransfer& operator=(const OverlappedTransfer&) = delete;

  std::vector<std::uint8_t>& Buffer();
  // Moves the whole buffer; waits up to `timeout` for the transfer to end.
  TransferResult Run(HANDLE device, std::chrono::milliseconds timeout);

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
  State* state_;  // owned; leaked only while `pending`
};

}  // namespace kr55le::win32
