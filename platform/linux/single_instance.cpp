#include "platform/linux/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kr55le {
namespace {

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The fallback folder must be ours alone: someone else's would let them hold our lock.
bool PrepareFallbackFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), kLockFolderMode) != 0 && errno != EEXIST) return false;
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0) return false;
  return S_ISDIR(status.st_mode) && status.st_uid == ::getuid();
}

}  // namespace

std::string InstanceLockFileName(std::string_view name) {
  std::string fileName(name);
  if (const char* session = Variable(kSessionVariable)) fileName += std::string("-") + session;
  return fileName;
}

std::filesystem::path InstanceLockFolder(std::string_view name) {
  if (const char* runtime = Variable(kRuntimeFolderVariable)) return runtime;
  return std::filesystem::path(kFallbackLockRoot) /
         (std::string(name) + "-" + std::to_string(::getuid()));
}

InstanceLock AcquireSingleInstance(std::string_view name) {
  const std::filesystem::path folder = InstanceLockFolder(name);
  if (Variable(kRuntimeFolderVariable) == nullptr && !PrepareFallbackFolder(folder)) {
    return InstanceLock::First;
  }
  return AcquireSingleInstance(InstanceLockFileName(name), folder);
}

InstanceLock AcquireSingleInstance(std::string_view fileName, const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / fileName;
  const int descriptor =
      ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
  if (descriptor < 0) return InstanceLock::First;
  if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
    // Kept open on purpose: the lock lasts as long as the process.
    return InstanceLock::First;
  }
  const int error = errno;
  ::close(descriptor);
  return error == EWOULDBLOCK ? InstanceLock::OtherRunning : InstanceLock::First;
}

}  // namespace kr55le
