#include "device/input_report.h"

#include <algorithm>

namespace kr55le {

InputReportBuffer::Pinned::~Pinned() {
  owner_.pins_[index_].fetch_sub(1);
}

std::uint8_t InputReportBuffer::operator[](std::size_t index) const {
  if (index >= kReportSize) return 0;
  return buffers_[current_.load(std::memory_order_acquire)][index].load(std::memory_order_relaxed);
}

InputReportBuffer::Pinned InputReportBuffer::Pin() {
  // Pin, then check the buffer is still current: the reader only fills a buffer that is neither
  // current nor pinned, and the sequentially consistent order makes one side see the other.
  for (;;) {
    const std::size_t index = current_.load();
    pins_[index].fetch_add(1);
    if (current_.load() == index) return Pinned(*this, index);
    pins_[index].fetch_sub(1);
  }
}

bool InputReportBuffer::TakeIf(std::size_t index, std::uint8_t value, ReportCopy& copy) {
  if ((*this)[index] != value) return false;  // the cheap test first: most polls end here
  const Pinned pinned = Pin();
  if (pinned[index] != value) return false;
  pinned.View().Read(0, copy);
  return true;
}

void InputReportBuffer::Mark(const InputMarker& marker) {
  ApplyMarker(Current(), marker);
}

ReportView InputReportBuffer::Current() {
  return ReportView(std::span(buffers_[current_.load(std::memory_order_acquire)]));
}

bool InputReportBuffer::Publish(std::span<const std::uint8_t> report) {
  const std::size_t current = current_.load();
  std::size_t target = kBufferCount;
  for (std::size_t i = 0; i < kBufferCount; ++i) {
    if (i != current && pins_[i].load() == 0) {
      target = i;
      break;
    }
  }
  if (target == kBufferCount) return false;

  ReportView into{std::span(buffers_[target])};
  into.CopyFrom(ReportView(std::span(buffers_[current])));
  into.Write(0, report.first(std::min(report.size(), kReportSize)));
  current_.store(target);
  return true;
}

}  // namespace kr55le
