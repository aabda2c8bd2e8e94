// Reading a small file whole (sysfs attributes: uevent, report_descriptor) with a size bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "hid/hid_services.h"

namespace kr55le {

// Fills `contents` with the file's bytes. TooLong when the file holds more than `limit` bytes
// (then `contents` is empty); the open() or read() failure otherwise.
hid::HidResult ReadSmallFile(const std::filesystem::path& path, std::size_t limit,
                             std::vector<std::uint8_t>& contents);

}  // namespace kr55le
