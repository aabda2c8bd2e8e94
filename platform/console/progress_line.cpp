#include "platform/console/progress_line.h"

#include <cmath>

#include "device/protocol.h"
#include "res/names.h"
#include "res/strings.h"
#include "window/control_model.h"

namespace kr55le::console {
namespace {

constexpr double kBytesPerKibibyte = 1024.0;
constexpr std::uint64_t kSecondsPerMinute = 60;
constexpr std::size_t kLineCapacity = 256;  // room for a translation in UTF-8

}  // namespace

std::string FormatProgress(const ProgressFigures& figures) {
  const std::uint32_t percent = PercentOf(figures.sent, figures.total);
  char line[kLineCapacity];
  if (!figures.bytesPerSecond || *figures.bytesPerSecond <= 0) {
    std::snprintf(line, sizeof line,
                  std::string(text::kProgressStartFormat.For(figures.total)).c_str(), figures.sent,
                  figures.total, percent);
    return line;
  }
  const std::uint32_t left = figures.total > figures.sent ? figures.total - figures.sent : 0;
  const double secondsLeft = left * static_cast<double>(kBlockDataSize) / *figures.bytesPerSecond;
  const auto wholeSeconds = static_cast<std::uint64_t>(std::llround(secondsLeft));
  std::snprintf(line, sizeof line, std::string(text::kProgressFormat.For(figures.total)).c_str(),
                figures.sent, figures.total, percent, *figures.bytesPerSecond / kBytesPerKibibyte,
                static_cast<unsigned>(wholeSeconds / kSecondsPerMinute),
                static_cast<unsigned>(wholeSeconds % kSecondsPerMinute));
  return line;
}

void ProgressLine::Show(std::uint32_t sent, std::uint32_t total, Clock::time_point now) {
  if (!firstBlockAt_ || sent < firstBlock_) {
    firstBlock_ = sent;
    firstBlockAt_ = now;
  }
  const bool due = !drawnAt_ || sent == total || now - *drawnAt_ >= kProgressRedrawInterval;
  if (!due) return;
  ProgressFigures figures{sent, total, std::nullopt};
  const std::chrono::duration<double> elapsed = now - *firstBlockAt_;
  if (sent > firstBlock_ && elapsed.count() > 0) {
    figures.bytesPerSecond =
        (sent - firstBlock_) * static_cast<double>(kBlockDataSize) / elapsed.count();
  }
  drawnAt_ = now;
  Draw(FormatProgress(figures));
}

void ProgressLine::Draw(const std::string& text) {
  if (style_ == ProgressStyle::Lines) {
    std::fprintf(terminal_, "%s%s\n", std::string(name::kProgressLinePrefix).c_str(), text.c_str());
    std::fflush(terminal_);
    return;
  }
  // Spaces cover what is left of a longer line drawn before.
  const std::size_t padding = drawnLength_ > text.size() ? drawnLength_ - text.size() : 0;
  std::fprintf(terminal_, "\r%s%*s", text.c_str(), static_cast<int>(padding), "");
  std::fflush(terminal_);
  drawnLength_ = text.size();
}

void ProgressLine::Finish() {
  drawnAt_.reset();
  if (drawnLength_ == 0) return;
  std::fputc('\n', terminal_);
  std::fflush(terminal_);
  drawnLength_ = 0;
}

}  // namespace kr55le::console
