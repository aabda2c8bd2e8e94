#include "platform/web/link_passes.h"

#include <utility>
#include <vector>

namespace kr55le::web {

ThreadLauncher LinkPasses::Launcher() {
  return [this](LinkThread which, LinkWorker& worker, LinkPass pass) {
    const Key key{which == LinkThread::Writer ? 0 : 1, nextKey_++};
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
    const auto found = passes_.find(key);
    if (found != passes_.end() && !found->second()) passes_.erase(key);
  }
  running_ = false;
}

LinkPasses& ProgramLinkPasses() {
  static LinkPasses passes;
  return passes;
}

}  // namespace kr55le::web
