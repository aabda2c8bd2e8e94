// The most recent input report, published whole. The reader thread builds each report in a
// buffer the dialog is not looking at and then switches to it with one store, so a poll that
// finds its byte reads the rest of that same report, never half of the one before.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "device/protocol.h"
#include "device/report_view.h"

namespace kr55le {

using ReportCopy = std::array<std::uint8_t, kReportSize>;

class InputReportBuffer {
 public:
  static constexpr std::size_t kBufferCount = 3;  // current, pinned by the dialog, being filled

  // A view of the report that was current when it was taken; no later report overwrites it
  // while this object lives. Hold it only to read one reply (never across a message pump).
  class Pinned {
   public:
    Pinned(const Pinned&) = delete;
    Pinned& operator=(const Pinned&) = delete;
    ~Pinned();
    ReportView View() const { return ReportView(std::span(owner_.buffers_[index_])); }
    std::uint8_t operator[](std::size_t index) const { return View().Get(index); }

   private:
    friend class InputReportBuffer;
    Pinned(InputReportBuffer& owner, std::size_t index) : owner_(owner), index_(index) {}
    InputReportBuffer& owner_;
    std::size_t index_;
  };

  // Dialog side. A poll reads one byte of the current report.
  std::uint8_t operator[](std::size_t index) const;
  Pinned Pin();
  // When the current report passes `match` (a test of a ReportView), copies that whole report
  // into `copy`.
  template <typename Match>
  bool TakeIf(Match match, ReportCopy& copy) {
    if (!match(Current())) return false;  // the cheap test first: most polls end here
    const Pinned pinned = Pin();
    if (!match(pinned.View())) return false;
    pinned.View().Read(0, copy);
    return true;
  }
  // Marker values go into the current report, as if it held them. A report read before the
  // mark is not published after it: it cannot answer the request the mark comes before.
  void Mark(const InputMarker& marker);
  ReportView Current();

  // Reader side. The number of marks so far, taken as soon as a read has completed.
  std::uint64_t Marks() const { return MarksOf(state_.load()); }
  enum class Publishing { Published, Stale, NoFreeBuffer };
  // Publishes `report` over the first report.size() bytes; the bytes past it keep what the
  // current report held. Stale, publishing nothing, when a mark has come since `marks` was
  // taken. NoFreeBuffer when every other buffer is pinned, which a dialog that pins only to
  // read one reply never causes.
  Publishing Publish(std::span<const std::uint8_t> report, std::uint64_t marks);

 private:
  using Buffer = std::array<SharedByte, kReportSize>;
  // The current buffer's index and the number of marks share one word, so that a publish and a
  // mark are ordered: whichever comes second sees the first.
  static constexpr int kMarkShift = 2;
  static constexpr std::uint64_t kIndexMask = (1u << kMarkShift) - 1;
  static_assert(kBufferCount <= kIndexMask + 1);
  static std::size_t IndexOf(std::uint64_t state) { return state & kIndexMask; }
  static std::uint64_t MarksOf(std::uint64_t state) { return state >> kMarkShift; }

  std::array<Buffer, kBufferCount> buffers_{};
  std::atomic<std::uint64_t> state_{0};
  std::array<std::atomic<int>, kBufferCount> pins_{};
};

}  // namespace kr55le
