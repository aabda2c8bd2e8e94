#include "device/input_report.h"

#include <algorithm>

namespace kr55le {

InputReportBuffer::Pinned::~Pinned() {
  owner_.pins_[index_].fetch_sub(1);
}

std::uint8_t InputReportBuffer::operator[](std::size_t index) const {
  if (index >= kReportSize) return 0;
  return buffers_[IndexOf(state_.load(std::memory_order_acquire))][index].load(
      std::memory_order_relaxed);
}

InputReportBuffer::Pinned InputReportBuffer::Pin() {
  // Pin, then check the buffer is still current: the reader only fills a buffer that is neither
  // current nor pinned, and the sequentially consistent order makes one side see the other.
  for (;;) {
    const std::size_t index = IndexOf(state_.load());
    pins_[index].fetch_add(1);
    if (IndexOf(state_.load()) == index) return Pinned(*this, index);
    pins_[index].fetch_sub(1);
  }
}

void InputReportBuffer::Mark(const InputMarker& marker) {
  // Counted first, then written into the buffer that is current at the count: a publish that
  // came before it is marked over, and one still building fails its exchange below.
  const std::uint64_t state = state_.fetch_add(std::uint64_t{1} << kMarkShift);
  ApplyMarker(ReportView(std::span(buffers_[IndexOf(state)])), marker);
}

ReportView InputReportBuffer::Current() {
  return ReportView(std::span(buffers_[IndexOf(state_.load(std::memory_order_acquire))]));
}

InputReportBuffer::Publishing InputReportBuffer::Publish(std::span<const std::uint8_t> report,
                                                         std::uint64_t marks) {
  std::uint64_t state = state_.load();
  if (MarksOf(state) != marks) return Publishing::Stale;
  const std::size_t current = IndexOf(state);
  std::size_t target = kBufferCount;
  for (std::size_t i = 0; i < kBufferCount; ++i) {
    if (i != current && pins_[i].load() == 0) {
      target = i;
      break;
    }
  }
  if (target == kBufferCount) return Publishing::NoFreeBuffer;

  ReportView into{std::span(buffers_[target])};
  into.CopyFrom(ReportView(std::span(buffers_[current])));
  into.Write(0, report.first(std::min(report.size(), kReportSize)));
  // Only a mark changes the state meanwhile, and then the report was read before it.
  if (!state_.compare_exchange_strong(state, (state & ~kIndexMask) | target)) {
    return Publishing::Stale;
  }
  return Publishing::Published;
}

}  // namespace kr55le
