// A bounds-checked view of one report buffer: either plain bytes (a report being assembled,
// a test buffer) or the atomic bytes that the link shares between threads. Builders and readers
// take this view so the same code serves both.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kr55le {

inline constexpr std::size_t kReportSize = 1024;

using SharedByte = std::atomic<std::uint8_t>;

class ReportView {
 public:
  explicit ReportView(std::span<std::uint8_t> plain) : plain_(plain.data()), size_(plain.size()) {}
  explicit ReportView(std::span<SharedByte> shared)
      : shared_(shared.data()), size_(shared.size()) {}

  std::size_t size() const { return size_; }

  // Out-of-range reads give 0 and out-of-range writes are dropped: a view never touches memory
  // outside its buffer.
  std::uint8_t Get(std::size_t index) const;
  void Set(std::size_t index, std::uint8_t value);

  // Sets bytes first..last (inclusive) to value.
  void Fill(std::size_t first, std::size_t last, std::uint8_t value);
  void Write(std::size_t at, std::span<const std::uint8_t> bytes);
  void Read(std::size_t at, std::span<std::uint8_t> bytes) const;
  void CopyFrom(const ReportView& source);

 private:
  std::uint8_t* plain_ = nullptr;
  SharedByte* shared_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kr55le
