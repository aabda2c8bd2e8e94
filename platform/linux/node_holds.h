// The hidraw nodes this program has taken. Every input report reaches every open file of a
// node, so another program's request and its reply would land in a running exchange: a program
// takes a node with an exclusive flock, kept while any device it opened on the node lives.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "hid/hid_services.h"

namespace kr55le {

class NodeHolds {
 public:
  using Hold = std::shared_ptr<const void>;

  // Takes `node` through `fileDescriptor`, a file just opened on it, or shares the hold this
  // program took earlier (a rescan opens the node again before the old device is let go). Null,
  // with `result` InUse, when another program holds it.
  Hold Take(const std::string& node, int fileDescriptor, hid::HidResult& result);

 private:
  // Counted under the lock, so that the last share's release and a new Take never interleave:
  // a Take in between would find the node still locked, by this very program.
  struct Registry {
    struct Entry {
      int lockedFile = -1;  // a duplicate of the file that took the lock
      int shares = 0;
    };
    std::mutex mutex;
    std::map<std::string, Entry> entries;
    void Release(const std::string& node);
  };
  class Share;

  // Shared with the holds, which may outlive these services in a device still in use.
  std::shared_ptr<Registry> registry_ = std::make_shared<Registry>();
};

}  // namespace kr55le
