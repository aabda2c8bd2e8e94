// What the scan reads from an interface path: whether it is one of ours, and where its node is
// for the hint when the node may not be opened.
#pragma once

#include <string>

namespace kr55le {

// An interface the scan lists: its path, as the system gives it, names the vendor.
bool IsScannedInterface(const std::string& path);

// The hint for an interface whose node may not be opened: the node, and how to allow it.
std::string PermissionHintFor(const std::string& path);

}  // namespace kr55le
