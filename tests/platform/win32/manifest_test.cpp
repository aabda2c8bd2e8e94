// The application manifest as each built executable carries it: read back from the file.
#include <gtest/gtest.h>

#include <string>

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

TEST(Manifest, EveryExecutableRunsAsInvokerStyledDpiAwareOnWindows10And11InUtf8) {
  const char* const entries[] = {
      R"(<requestedExecutionLevel level="asInvoker")",
      R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")",
      R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2<)",
      R"(<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>)",
      R"(<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8<)",
  };
  for (const char* executable : {KR55LE_UPGRADE_EXE, KR55LE_DEMO_EXE, KR55LE_FLASH_EXE}) {
    const std::string manifest = ManifestOf(executable);
    ASSERT_FALSE(manifest.empty()) << executable;
    for (const char* entry : entries) {
      EXPECT_NE(manifest.find(entry), std::string::npos) << executable << ": " << entry;
    }
  }
}

}  // namespace
}  // namespace kr55le::win32
