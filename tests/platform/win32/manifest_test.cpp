// The application manifest as each built executable carries it: read back from the file.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/win32/windows_headers.h"

namespace kr55le::win32 {
namespace {

constexpr WORD kProcessManifestId = 1;  // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr WORD kManifestType = 24;      // RT_MANIFEST

std::string ManifestOf(std::string path) {
  if (path.starts_with('/')) path = "Z:" + path;  // the build's own path, under Wine
  HMODULE file = ::LoadLibraryExA(path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (file == nullptr) return {};
  std::string manifest;
  if (HRSRC found = ::FindResourceA(file, MAKEINTRESOURCEA(kProcessManifestId),
                                    MAKEINTRESOURCEA(kManifestType))) {
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(file, found)));
    if (bytes != nullptr) manifest.assign(bytes, ::SizeofResource(file, found));
  }
  ::FreeLibrary(file);
  return manifest;
}

TEST(Manifest, EveryExecutableRunsAsInvokerStyledDpiAwareLongPathAwareOnWindows7To11InUtf8) {
  const char* const entries[] = {
      R"(<requestedExecutionLevel level="asInvoker")",
      R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
      R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true<)",
      R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, System<)",
      R"(<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>)",  // 7
      R"(<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>)",  // 8
      R"(<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>)",  // 8.1
      R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",  // 10 and 11
      R"(<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true<)",
      R"(<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8<)",
  };
  for (const char* executable : {KR55LE_UPGRADE_EXE, KR55LE_DEMO_EXE, KR55LE_FLASH_EXE}) {
    const std::string manifest = ManifestOf(executable);
    ASSERT_FALSE(manifest.empty()) << executable;
    for (const char* entry : entries) {
      EXPECT_NE(manifest.find(entry), std::string::npos) << executable << ": " << entry;
    }
  }
  // The test build that runs as Windows before 10 1903 does: the same, in the system's code page.
  const std::string legacy = ManifestOf(KR55LE_FLASH_LEGACY_EXE);
  for (const char* entry : entries) {
    const bool codePage = std::string_view(entry).starts_with("<activeCodePage");
    EXPECT_EQ(legacy.find(entry) == std::string::npos, codePage) << entry;
  }
}

}  // namespace
}  // namespace kr55le::win32
