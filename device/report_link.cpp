#include "device/report_link.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kr55le {

void LinkWorker::Join() {
  if (thread.joinable()) thread.join();
  if (stop) std::exchange(stop, {})();
}

int LaunchThread(LinkThread, LinkWorker& worker, LinkPass pass) {
  try {
    worker.thread = std::thread([pass = std::move(pass)] {
      while (pass()) {
      }
    });
  } catch (const std::system_error& error) {
    return error.code().value();
  }
  return 0;
}

ReportLink::ReportLink(LinkTiming timing, ThreadLauncher launcher)
    : timing_(timing), launcher_(std::move(launcher)) {}

ReportLink::~ReportLink() {
  stopping_.store(true);
  readerWake_.Notify();
  writerWake_.Notify();
  reader_.Join();
  writer_.Join();
}

void ReportLink::StartThreads(const std::function<void(LinkThread, int)>& onFailure) {
  if (!reader_.Started()) {
    if (const int error = launcher_(LinkThread::Reader, reader_, [this] { return ReaderPass(); });
        error != 0) {
      onFailure(LinkThread::Reader, error);
    }
  }
  if (!writer_.Started()) {
    if (const int error = launcher_(LinkThread::Writer, writer_, [this] { return WriterPass(); });
        error != 0) {
      onFailure(LinkThread::Writer, error);
    }
  }
}

void ReportLink::SetDevice(std::shared_ptr<hid::HidDevice> device) {
  DeviceHandle.store(std::move(device));
}

void ReportLink::NoteResult(const hid::HidResult& result, std::uint64_t generation) {
  if (result.error == hid::HidError::Gone) DeviceHandle.MarkGone(generation);
}

void ReportLink::SetCaps(const hid::HidCaps& caps) {
  inputLength_.store(caps.InputReportByteLength);
  outputLength_.store(caps.OutputReportByteLength);
}

hid::HidCaps ReportLink::Caps() const {
  hid::HidCaps caps;
  caps.InputReportByteLength = inputLength_.load();
  caps.OutputReportByteLength = outputLength_.load();
  return caps;
}

ReportView ReportLink::BeginRequest() {
  if (outputVersion_.load(std::memory_order_relaxed) % 2 == 0) {
    // Read-modify-write with acquire: none of the bytes written next moves before it.
    outputVersion_.fetch_add(1, std::memory_order_acq_rel);
  }
  return ReportView(std::span(OutputReport));
}

void ReportLink::RaiseWritePending(Resend resend) {
  if (outputVersion_.load(std::memory_order_relaxed) % 2 != 0) {
    outputVersion_.fetch_add(1, std::memory_order_acq_rel);
  }
  lastRequest_ = (lastRequest_ + 1) & kRequestNumberMask;
  if (lastRequest_ == 0) ++lastRequest_;  // 0 means no request
  const std::uint32_t marks = resend == Resend::OnlyIfUnsent ? kRequestOnlyIfUnsent : 0;
  WritePending.store(lastRequest_ | marks, std::memory_order_release);
  if (timing_.earlyWake) writerWake_.Notify();
}

bool ReportLink::LastRequestDropped() const {
  return lastRequest_ != 0 && droppedRequest_.load() == lastRequest_;
}

void ReportLink::WithdrawRequest() {
  WritePending.store(0);
  const auto deadline = std::chrono::steady_clock::now() + kWithdrawWaitLimit;
  while (writing_.load() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
}

void ReportLink::EndRetries() {
  std::uint32_t pending = WritePending.load();
  // Taken, it is no longer the link's (a failed write finds that and stops); raised, it is
  // marked to go once.
  while (pending != 0 && (pending & kRequestSendOnce) == 0 &&
         !WritePending.compare_exchange_weak(
             pending, (pending & kRequestInFlight) != 0 ? 0 : pending | kRequestSendOnce)) {
  }
}

std::size_t ReportLink::ReportLength(std::uint16_t length) const {
  // The buffers hold kReportSize bytes; a longer report is never read or sent past them.
  return std::min<std::size_t>(length, kReportSize);
}

void ReportLink::Pause(WakeSignal& signal) {
  signal.WaitFor(timing_.pause);
}

bool ReportLink::ReaderPass() {
  if (stopping_.load()) return false;
  const auto [device, generation] = DeviceHandle.hold();
  const std::size_t length = ReportLength(inputLength_.load());
  if (IsWritePending() || device == nullptr || length == 0) {
    Pause(readerWake_);
    return true;
  }
  auto& report = readerReport_;
  std::size_t received = 0;
  const hid::HidResult result =
      device->Read(std::span(report).first(length), received, timing_.pause);
  const std::uint64_t marks = InputReport.Marks();  // as near the read's end as can be
  NoteResult(result, generation);
  if (result.ok() && received > 0) {
    reportsRead_.fetch_add(1);
    const auto got = std::span(report).first(std::min(received, length));
    while (InputReport.Publish(got, marks) == InputReportBuffer::Publishing::NoFreeBuffer &&
           !stopping_.load()) {
      std::this_thread::yield();
    }
  } else if (result.error != hid::HidError::TimedOut) {
    // A failed or removed device answers at once; pause so that it is not asked in a spin.
    Pause(readerWake_);
  }
  return true;
}

bool ReportLink::WriterPass() {
  if (stopping_.load()) return false;
  auto& report = writerReport_;  // kept from pass to pass: a failed write goes again from it
  if (IsWritePending()) {
    SendRequest(report);
  } else if (retry_.request != 0) {
    SendAgain(report);
  }
  Pause(writerWake_);
  return true;
}

void ReportLink::SendRequest(std::span<std::uint8_t> report) {
  // Announced before the device is taken and the flag looked at again, so that a request
  // withdrawn meanwhile is either not sent or sent to the device it was meant for.
  writing_.store(true);
  const auto [device, generation] = DeviceHandle.hold();
  std::uint32_t taken = WritePending.load(std::memory_order_acquire);
  // Marked taken once the request is in the writer's hands, before the write: a reply (and the
  // next request) may come before write() returns. Only the request copied is taken; one raised
  // during the copy, or a copy torn by the next request's filling, waits for the next pass.
  if (device && IsRaised(taken) && CopyRequest(report) &&
      WritePending.compare_exchange_strong(taken, taken | kRequestInFlight)) {
    if (timing_.earlyWake) readerWake_.Notify();
    Write(*device, report, {taken, generation, reportsRead_.load()});
  }
  writing_.store(false);
}

void ReportLink::SendAgain(std::span<const std::uint8_t> report) {
  writing_.store(true);
  const Attempt attempt = std::exchange(retry_, {});
  const auto [device, generation] = DeviceHandle.hold();
  // Withdrawn or replaced since it failed, it is no longer WritePending's and goes no further.
  // Nor does it go to another device, or to one that has sent a report since (which may have
  // been the answer to it), unless its failure proved that none of it left.
  if (WritePending.load() == (attempt.request | kRequestInFlight)) {
    if (device && generation == attempt.generation &&
        (attempt.unsent || reportsRead_.load() == attempt.reportsReadBefore)) {
      Write(*device, report, attempt);
    } else {
      Release(attempt.request);
    }
  }
  writing_.store(false);
}

void ReportLink::Write(hid::HidDevice& device, std::span<const std::uint8_t> report,
                       const Attempt& attempt) {
  const std::size_t length = ReportLength(outputLength_.load());
  if (length == 0) {
    Release(attempt.request);
    return;
  }
  const hid::HidResult result = device.Write(report.first(length));
  NoteResult(result, attempt.generation);
  if (result.ok() || result.error == hid::HidError::Gone ||
      (attempt.request & kRequestSendOnce) != 0) {
    Release(attempt.request);
    return;
  }
  const bool unsent = result.error == hid::HidError::NotSent;
  if (!unsent && (attempt.request & kRequestOnlyIfUnsent) != 0) {
    Drop(attempt.request);
    return;
  }
  retry_ = attempt;  // still in flight: the next pass sends it again
  retry_.unsent = unsent;
}

void ReportLink::Release(std::uint32_t request) {
  // Nothing when a newer request has been raised or this one withdrawn meanwhile.
  std::uint32_t inFlight = request | kRequestInFlight;
  WritePending.compare_exchange_strong(inFlight, 0);
}

void ReportLink::Drop(std::uint32_t request) {
  // Told only while it is still the link's request: a withdrawn or replaced one has no wait.
  std::uint32_t inFlight = request | kRequestInFlight;
  if (WritePending.compare_exchange_strong(inFlight, 0)) {
    droppedRequest_.store(request & kRequestNumberMask);
  }
}

bool ReportLink::CopyRequest(std::span<std::uint8_t> report) {
  const std::uint32_t version = outputVersion_.load(std::memory_order_acquire);
  if (version % 2 != 0) return false;
  ReportView(report).CopyFrom(ReportView(std::span(OutputReport)));
  // Read-modify-write with release: none of the bytes copied moves after it.
  return outputVersion_.fetch_add(0, std::memory_order_acq_rel) == version;
}

}  // namespace kr55le
