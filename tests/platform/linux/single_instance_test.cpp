#include "platform/linux/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/platform/linux/fake_tree.h"

namespace kr55le {
namespace {

// Sets (or, with nothing, unsets) an environment variable for one test and restores it after.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedVariable() { Set(old_); }

 private:
  void Set(const std::optional<std::string>& value) {
    value ? ::setenv(name_, value->c_str(), 1) : ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SingleInstance, FolderThatCannotHoldTheLockGivesFirst) {
  testing::TempFolder folder;
  // Below a regular file nothing can be created, not even by root.
  testing::WriteFile(folder.path() / "file", std::string("x"));
  const auto unusable = folder.path() / "file" / "sub";
  EXPECT_EQ(AcquireSingleInstance("lock", unusable), InstanceLock::First);
  EXPECT_EQ(AcquireSingleInstance("lock", unusable), InstanceLock::First);
}

TEST(SingleInstance, LockLivesInTheRuntimeFolder) {
  testing::TempFolder folder;
  const ScopedVariable runtime("XDG_RUNTIME_DIR", folder.path().string());
  const ScopedVariable session("XDG_SESSION_ID", "4");
  EXPECT_EQ(InstanceLockFolder("NAME"), folder.path());
  EXPECT_EQ(AcquireSingleInstance("NAME"), InstanceLock::First);
  EXPECT_EQ(AcquireSingleInstance("NAME"), InstanceLock::OtherRunning);
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "NAME-4"));
}

// An empty variable counts as none.
TEST(SingleInstance, WithoutRuntimeFolderLocksInAPrivateFolderUnderTmp) {
  for (const std::optional<std::string>& none :
       {std::optional<std::string>(), std::optional(std::string())}) {
    const ScopedVariable runtime("XDG_RUNTIME_DIR", none);
    const ScopedVariable session("XDG_SESSION_ID", none);
    const std::string name = "kr55le-lock-test-" + std::to_string(::getpid());
    const std::filesystem::path folder = InstanceLockFolder(name);
    EXPECT_EQ(folder, std::filesystem::path("/tmp") / (name + "-" + std::to_string(::getuid())));

    EXPECT_EQ(AcquireSingleInstance(name), InstanceLock::First);
    EXPECT_EQ(AcquireSingleInstance(name), InstanceLock::OtherRunning);
    EXPECT_TRUE(std::filesystem::exists(folder / name));  // no session suffix
    struct stat status {};
    ASSERT_EQ(::stat(folder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, kLockFolderMode);
    std::filesystem::remove_all(folder);
  }
}

// Someone else's link in its place would let them hold the lock: the folder is not used at all.
TEST(SingleInstance, AFallbackFolderThatIsALinkIsNotUsed) {
  const ScopedVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  testing::TempFolder target;
  const std::string name = "kr55le-link-test-" + std::to_string(::getpid());
  const std::filesystem::path folder = InstanceLockFolder(name);
  std::filesystem::create_directory_symlink(target.path(), folder);
  EXPECT_EQ(AcquireSingleInstance(name), InstanceLock::First);
  EXPECT_EQ(AcquireSingleInstance(name), InstanceLock::First);
  EXPECT_TRUE(std::filesystem::is_empty(target.path()));
  std::filesystem::remove(folder);
}

}  // namespace
}  // namespace kr55le
