// The Cancel button, closing the window, and the message pumping that lets both reach a wait.
#include <atomic>
#include <chrono>
#include <thread>

#include "dialog/flashwell_dlg.h"
#include "res/strings.h"

namespace kr55le {
namespace {
// How long a close waits for the writer to take the exit request. The writer takes it within a
// pass; only a device whose write hangs runs into this.
constexpr auto kCloseWaitLimit = std::chrono::seconds(2);
}  // namespace

void CFlashwellDlg::OnCancelUpgrade() {
  PumpMessages();
  controls_.SetText(Control::MessageEdit, text::kUpgradeDiscontinued);
  CancelRequested = true;
  controls_.Enable(Control::CancelButton, false);
  controls_.Enable(Control::PathEdit, true);
}

void CFlashwellDlg::OnCancel() {
  CloseRequested = true;
  link_.InputReport.Mark(kExitMarker);
  BuildExitRequest(link_.BeginRequest());
  link_.RaiseWritePending();

  // With no device open the request cannot go out; waiting for it would never end.
  if (controls_.Text(Control::SerialNumberField).empty() || !link_.HasDevice()) {
    host_.EndDialog(kIdCancel);
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kCloseWaitLimit;
  // Until the exit request has really been written, not only taken by the writer.
  while (link_.IsSending() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
    LetLinkRun();
  }
  // The empty delay after the hand-over; an atomic counter so that it is not optimised away.
  std::atomic<std::uint64_t> pass{0};
  while (pass.fetch_add(1, std::memory_order_relaxed) < bounds_.closeDelay) {
  }
  host_.EndDialog(kIdCancel);
}

}  // namespace kr55le
