#include "device/report_view.h"

#include <algorithm>

namespace kr55le {

std::uint8_t ReportView::Get(std::size_t index) const {
  if (index >= size_) return 0;
  if (plain_ != nullptr) return plain_[index];
  // Relaxed: ordering comes from the flag or switch through which the buffer is handed over.
  return shared_[index].load(std::memory_order_relaxed);
}

void ReportView::Set(std::size_t index, std::uint8_t value) {
  if (index >= size_) return;
  if (plain_ != nullptr) {
    plain_[index] = value;
  } else {
    shared_[index].store(value, std::memory_order_relaxed);
  }
}

void ReportView::Fill(std::size_t first, std::size_t last, std::uint8_t value) {
  const std::size_t end = std::min(last + 1, size_);
  for (std::size_t i = first; i < end; ++i) Set(i, value);
}

void ReportView::Write(std::size_t at, std::span<const std::uint8_t> bytes) {
  if (at >= size_) return;
  for (std::size_t i = 0; i < bytes.size() && at + i < size_; ++i) Set(at + i, bytes[i]);
}

void ReportView::Read(std::size_t at, std::span<std::uint8_t> bytes) const {
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = at < size_ ? Get(at + i) : 0;
}

void ReportView::CopyFrom(const ReportView& source) {
  const std::size_t count = std::min(size_, source.size_);
  for (std::size_t i = 0; i < count; ++i) Set(i, source.Get(i));
}

}  // namespace kr55le
