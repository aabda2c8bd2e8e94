#include "dialog/interface_paths.h"

#include <cstdio>

#include "res/names.h"
#include "res/strings.h"

namespace kr55le {
namespace {

// Interface paths are the node, then '#' and the device's IDs.
constexpr char kInterfacePathSeparator = '#';
constexpr std::size_t kHintCapacity = 512;

}  // namespace

bool IsScannedInterface(const std::string& path) {
  // Case-sensitive on the path as the system gives it.
  return path.find(name::kVendorMatch) != std::string::npos;
}

std::string PermissionHintFor(const std::string& path) {
  const std::string node = path.substr(0, path.find(kInterfacePathSeparator));
  char hint[kHintCapacity];
  std::snprintf(hint, sizeof hint, std::string(text::kPermissionHintFormat).c_str(), node.c_str());
  return hint;
}

}  // namespace kr55le
