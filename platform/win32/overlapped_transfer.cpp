#include "platform/win32/overlapped_transfer.h"

namespace kr55le::win32 {
namespace {

DWORD Milliseconds(std::chrono::milliseconds duration) {
  return duration.count() <= 0 ? 0 : static_cast<DWORD>(duration.count());
}

}  // namespace

OverlappedTransfer::OverlappedTransfer(TransferKind kind, std::size_t bufferSize)
    : kind_(kind), state_(new State) {
  // Manual reset: the event stays set once the transfer has ended, however late it is looked at.
  state_->event = UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  state_->buffer.resize(bufferSize);
}

OverlappedTransfer::~OverlappedTransfer() {
  if (state_->pending &&
      ::WaitForSingleObject(state_->event.Get(), Milliseconds(kCancelWait)) != WAIT_OBJECT_0) {
    return;  // the driver still holds the buffer: leaving it is the only safe choice
  }
  delete state_;
}

std::vector<std::uint8_t>& OverlappedTransfer::Buffer() {
  return state_->buffer;
}

TransferResult OverlappedTransfer::Run(HANDLE device, std::chrono::milliseconds timeout) {
  if (state_->pending) {
    // A transfer that outlived its cancellation may have ended since; its result is stale.
    if (::WaitForSingleObject(state_->event.Get(), 0) != WAIT_OBJECT_0) {
      return {TransferOutcome::Stuck, 0, ERROR_IO_PENDING};
    }
    Finish(device, true);
  }
  if (!state_->event.Valid()) return {TransferOutcome::Failed, 0, ERROR_INVALID_HANDLE};
  state_->overlapped = OVERLAPPED{};
  state_->overlapped.hEvent = state_->event.Get();
  ::ResetEvent(state_->event.Get());

  const auto size = static_cast<DWORD>(state_->buffer.size());
  const BOOL started =
      kind_ == TransferKind::Read
          ? ::ReadFile(device, state_->buffer.data(), size, nullptr, &state_->overlapped)
          : ::WriteFile(device, state_->buffer.data(), size, nullptr, &state_->overlapped);
  if (!started) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_IO_PENDING) return {TransferOutcome::Failed, 0, error};
  }
  state_->pending = true;
  if (::WaitForSingleObject(state_->event.Get(), Milliseconds(timeout)) != WAIT_OBJECT_0) {
    return Cancel(device);
  }
  return Finish(device, false);
}

TransferResult OverlappedTransfer::Finish(HANDLE device, bool cancelled) {
  state_->pending = false;
  DWORD transferred = 0;
  if (!::GetOverlappedResult(device, &state_->overlapped, &transferred, FALSE)) {
    const DWORD error = ::GetLastError();
    if (cancelled && error == ERROR_OPERATION_ABORTED) return {TransferOutcome::TimedOut, 0, error};
    return {TransferOutcome::Failed, 0, error};
  }
  return {TransferOutcome::Done, transferred, 0};
}

TransferResult OverlappedTransfer::Cancel(HANDLE device) {
  // The transfer may end on its own meanwhile; then CancelIoEx finds nothing (ERROR_NOT_FOUND)
  // and the result below is the transfer's own.
  ::CancelIoEx(device, &state_->overlapped);
  if (::WaitForSingleObject(state_->event.Get(), Milliseconds(kCancelWait)) != WAIT_OBJECT_0) {
    return {TransferOutcome::Stuck, 0, ERROR_IO_PENDING};
  }
  return Finish(device, true);
}

}  // namespace kr55le::win32
