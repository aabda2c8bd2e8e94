#include "platform/win32/overlapped_transfer.h"

#include <algorithm>

namespace kr55le::win32 {
namespace {

DWORD Milliseconds(std::chrono::milliseconds duration) {
  return duration.count() <= 0 ? 0 : static_cast<DWORD>(duration.count());
}

class SystemCalls final : public TransferCalls {
 public:
  BOOL Start(TransferKind kind, HANDLE device, std::uint8_t* buffer, DWORD size,
             OVERLAPPED* overlapped) override {
    return kind == TransferKind::Read ? ::ReadFile(device, buffer, size, nullptr, overlapped)
                                      : ::WriteFile(device, buffer, size, nullptr, overlapped);
  }
  BOOL Cancel(HANDLE device, OVERLAPPED* overlapped) override {
    return ::CancelIoEx(device, overlapped);
  }
  BOOL Result(HANDLE device, OVERLAPPED* overlapped, DWORD* transferred) override {
    return ::GetOverlappedResult(device, overlapped, transferred, FALSE);
  }
  DWORD Wait(HANDLE event, DWORD milliseconds) override {
    return ::WaitForSingleObject(event, milliseconds);
  }
};

}  // namespace

TransferCalls& SystemTransferCalls() {
  static SystemCalls calls;
  return calls;
}

OverlappedTransfer::OverlappedTransfer(TransferKind kind, std::size_t bufferSize,
                                       TransferCalls& calls)
    : kind_(kind), calls_(calls), state_(new State) {
  // Manual reset: the event stays set once the transfer has ended, however late it is looked at.
  state_->event = UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  state_->buffer.resize(bufferSize);
}

OverlappedTransfer::~OverlappedTransfer() {
  if (state_->pending &&
      calls_.Wait(state_->event.Get(), Milliseconds(kCancelWait)) != WAIT_OBJECT_0) {
    return;  // the driver still holds the buffer: leaving it is the only safe choice
  }
  delete state_;
}

std::span<const std::uint8_t> OverlappedTransfer::Buffer() const {
  return state_->buffer;
}

std::size_t OverlappedTransfer::Size() const {
  return state_->buffer.size();
}

TransferResult OverlappedTransfer::Run(HANDLE device, std::chrono::milliseconds timeout,
                                       std::span<const std::uint8_t> outgoing) {
  if (outgoing.size() > state_->buffer.size() ||
      (kind_ == TransferKind::Read && !outgoing.empty())) {
    return {TransferOutcome::Failed, 0, ERROR_INVALID_PARAMETER};
  }
  if (state_->pending) {
    // A transfer that outlived its cancellation: the buffer is the system's until it ends.
    if (calls_.Wait(state_->event.Get(), 0) != WAIT_OBJECT_0) {
      return {TransferOutcome::Stuck, 0, ERROR_IO_PENDING};
    }
    // It has ended since. A read's report (or its failure) is this call's result: the device
    // sent it, and the caller waits for it. A write's caller was told it had not ended; the
    // new write goes out.
    TransferResult late = Finish(device, true);
    late.queued = true;
    if (kind_ == TransferKind::Read && late.outcome != TransferOutcome::TimedOut) return late;
  }
  if (!state_->event.Valid()) return {TransferOutcome::Failed, 0, ERROR_INVALID_HANDLE};
  if (kind_ == TransferKind::Write) {
    // A shorter report goes out padded with zeros to the device's length.
    std::fill(std::copy(outgoing.begin(), outgoing.end(), state_->buffer.begin()),
              state_->buffer.end(), 0);
  }
  state_->overlapped = OVERLAPPED{};
  state_->overlapped.hEvent = state_->event.Get();
  ::ResetEvent(state_->event.Get());

  const auto size = static_cast<DWORD>(state_->buffer.size());
  if (!calls_.Start(kind_, device, state_->buffer.data(), size, &state_->overlapped)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return {TransferOutcome::Failed, 0, error};
  }
  state_->pending = true;
  TransferResult result = calls_.Wait(state_->event.Get(), Milliseconds(timeout)) != WAIT_OBJECT_0
                              ? Cancel(device)
                              : Finish(device, false);
  result.queued = true;
  return result;
}

TransferResult OverlappedTransfer::Finish(HANDLE device, bool cancelled) {
  state_->pending = false;
  DWORD transferred = 0;
  if (!calls_.Result(device, &state_->overlapped, &transferred)) {
    const DWORD error = ::GetLastError();
    if (cancelled && error == ERROR_OPERATION_ABORTED) return {TransferOutcome::TimedOut, 0, error};
    return {TransferOutcome::Failed, 0, error};
  }
  return {TransferOutcome::Done, transferred, 0};
}

TransferResult OverlappedTransfer::Cancel(HANDLE device) {
  // The transfer may end on its own meanwhile; then CancelIoEx finds nothing (ERROR_NOT_FOUND)
  // and the result below is the transfer's own.
  calls_.Cancel(device, &state_->overlapped);
  if (calls_.Wait(state_->event.Get(), Milliseconds(kCancelWait)) != WAIT_OBJECT_0) {
    return {TransferOutcome::Stuck, 0, ERROR_IO_PENDING};
  }
  return Finish(device, true);
}

}  // namespace kr55le::win32
