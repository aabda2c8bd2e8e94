// One running copy per logon: an flock on a file in the user's runtime folder.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace kr55le {

enum class InstanceLock { First, OtherRunning };

inline constexpr char kRuntimeFolderVariable[] = "XDG_RUNTIME_DIR";
inline constexpr char kSessionVariable[] = "XDG_SESSION_ID";
// Without a runtime folder: /tmp/<name>-<uid>/, the user's own.
inline constexpr char kFallbackLockRoot[] = "/tmp";
inline constexpr mode_t kLockFolderMode = 0700;
inline constexpr mode_t kLockFileMode = 0600;

// "<name>-<XDG_SESSION_ID>", or "<name>" when no session id is set.
std::string InstanceLockFileName(std::string_view name);

// $XDG_RUNTIME_DIR, or the per-user folder under /tmp (not created here).
std::filesystem::path InstanceLockFolder(std::string_view name);

// Locks the lock file for the life of the process. First when the lock was taken, and also when
// the lock file cannot be made (the program then runs as a first instance).
InstanceLock AcquireSingleInstance(std::string_view name);
InstanceLock AcquireSingleInstance(std::string_view fileName, const std::filesystem::path& folder);

}  // namespace kr55le
