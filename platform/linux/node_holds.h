// The hidraw nodes this program has taken. Every input report reaches every open file of a
// node, so another program's request and its reply would land in a running exchange: a program
// takes a node with an exclusive flock, kept while any device it opened on the node lives.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/hid/hid_services.h"

namespace kr55le {

class NodeHolds {
 public:
  using Hold = std::shared_ptr<const void>;

  // Takes `node` through `fileDescriptor`, a file just opened on it, or shares the hold this
  // program took earlier (a rescan opens the node again before the old device is let go). Null,
  // with `result` InUse, when another program holds it.
  Hold Take(const std::string& node, int fileDescriptor, hid::HidResult& result);

 private:
  std::mutex mutex_;
  std::map<std::string, std::weak_ptr<const void>> holds_;
};

}  // namespace kr55le
