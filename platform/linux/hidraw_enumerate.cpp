#include "platform/linux/hidraw_enumerate.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "platform/linux/hid_uevent.h"
#include "platform/linux/interface_path.h"
#include "platform/linux/small_file.h"

namespace kr55le {
namespace {

std::optional<HidUevent> ReadUevent(const std::filesystem::path& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadSmallFile(path, kMaxUeventSize, bytes).ok()) return std::nullopt;
  return ParseHidUevent(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

std::vector<HidrawEntry> EnumerateHidraw(const std::filesystem::path& sysfsRoot,
                                         const std::filesystem::path& deviceFolder) {
  std::vector<HidrawEntry> entries;
  std::error_code error;
  std::filesystem::directory_iterator folder(sysfsRoot / kHidrawClassFolder, error);
  for (const std::filesystem::directory_iterator end; !error && folder != end;
       folder.increment(error)) {
    const std::filesystem::path& classEntry = folder->path();
    const std::optional<HidUevent> uevent = ReadUevent(classEntry / kParentUevent);
    if (!uevent) continue;
    HidrawEntry entry;
    entry.node = deviceFolder / classEntry.filename();
    entry.interface.path =
        MakeInterfacePath(entry.node.string(), uevent->vendorId, uevent->productId);
    entry.interface.description = uevent->name;
    entry.reportDescriptor = classEntry / kParentReportDescriptor;
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const HidrawEntry& a, const HidrawEntry& b) {
    return a.interface.path < b.interface.path;
  });
  return entries;
}

}  // namespace kr55le
