#include "platform/web/link_passes.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kr55le::web {
namespace {

constexpr int kWriterOrder = 0;
constexpr int kReaderOrder = 1;

// The watched link's input report as far as the device's reports reach. The waits see nothing
// but these bytes: a report that changes none of them has nothing in it to be missed.
std::vector<std::uint8_t> InputBytes(ReportLink* link) {
  std::vector<std::uint8_t> bytes;
  if (link == nullptr) return bytes;
  const std::size_t length = std::min<std::size_t>(link->Caps().InputReportByteLength, kReportSize);
  for (std::size_t i = 0; i < length; ++i) bytes.push_back(link->InputReport[i]);
  return bytes;
}

}  // namespace

ThreadLauncher LinkPasses::Launcher() {
  return [this](LinkThread which, LinkWorker& worker, LinkPass pass) {
    const Key key{which == LinkThread::Writer ? kWriterOrder : kReaderOrder, nextKey_++};
    passes_.emplace(key, std::move(pass));
    worker.stop = [this, key] { passes_.erase(key); };
    return 0;
  };
}

void LinkPasses::RunAll() {
  // A pass may suspend the program (a write waits for the browser); a nested call meanwhile
  // would run the same worker twice at once.
  if (running_) return;
  running_ = true;
  std::vector<Key> keys;
  for (const auto& entry : passes_) keys.push_back(entry.first);
  for (const Key& key : keys) {
    const bool reader = key.first == kReaderOrder;
    if (reader && unread_) continue;
    const auto found = passes_.find(key);
    if (found == passes_.end()) continue;
    const std::vector<std::uint8_t> before =
        reader ? InputBytes(link_) : std::vector<std::uint8_t>{};
    if (!found->second()) passes_.erase(key);
    if (reader && InputBytes(link_) != before) unread_ = true;
  }
  running_ = false;
}

LinkPasses& ProgramLinkPasses() {
  static LinkPasses passes;
  return passes;
}

}  // namespace kr55le::web
