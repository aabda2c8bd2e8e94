// The Windows HID services on the system they run on: the build machine's Wine has no
// KR-55LE, so this checks that opening one fails cleanly and names the call; and the holds that
// keep a device to one program, each registry (each services object) standing for a program.
#include "platform/win32/win32_hid_services.h"

#include "platform/win32/windows_headers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/win32/device_hold.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_hid_device.h"

namespace kr55le::win32 {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST(Win32HidDeviceTest, AWriteRefusedBeforeItWasQueuedIsNotSent) {  // an unknown handle
  Win32HidDevice device(UniqueHandle(), "nowhere", {0, 8, 0});
  const std::uint8_t report[8] = {1};
  const hid::HidResult result = device.Write(report);
  EXPECT_EQ(result.error, hid::HidError::NotSent) << result.message;
}

TEST(Win32HidServicesTest, OpeningAbsentPathsFailsWithTheCallNamed) {
  struct Case {
    const char* path;
    hid::HidError error;
  };
  const Case cases[] = {
      {R"(\\?\HID#VID_0483&PID_5750#0&0000&0#{4d1e55b2-f16f-11cf-88cb-001111000030})",
       hid::HidError::NotFound},
      {R"(C:\no-such-folder\device)", hid::HidError::NotFound},
  };
  Win32HidServices services;
  services.Enumerate();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    hid::HidResult result;
    EXPECT_EQ(services.Open(c.path, result), nullptr);
    EXPECT_EQ(result.error, c.error);
    EXPECT_NE(result.systemError, 0);
    EXPECT_THAT(result.message, HasSubstr("CreateFile("));
  }
}

// A path of this test run's own, so that no other run's holds meet it.
std::string InterfacePath(const char* tail) {
  return R"(\\?\hid#vid_0483&pid_5750#test-)" + std::to_string(::GetCurrentProcessId()) + "-" +
         tail + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

TEST(DeviceHoldTest, AnotherProgramIsRefusedWhileOneHoldsTheDeviceAndMayTakeItAfter) {
  const std::string path = InterfacePath("a");
  HoldRegistry first;
  HoldRegistry second;
  hid::HidResult result;
  std::unique_ptr<DeviceHold> held = first.Take(path, result);
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(result.ok());

  EXPECT_EQ(second.Take(path, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
  EXPECT_EQ(result.systemError, ERROR_ALREADY_EXISTS);
  EXPECT_THAT(result.message, HasSubstr(path));
  EXPECT_THAT(result.message, HasSubstr("in use by another program"));

  // The same program shares its hold: a rescan opens the device while the reader still has it
  // (its path in capitals, as the dialog keeps it).
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::unique_ptr<DeviceHold> again = first.Take(upper, result);
  EXPECT_NE(again, nullptr);
  EXPECT_TRUE(result.ok());
  held.reset();
  EXPECT_EQ(second.Take(path, result), nullptr) << "one of the first program's objects lives";
  EXPECT_EQ(result.error, hid::HidError::InUse);

  EXPECT_NE(second.Take(InterfacePath("b"), result), nullptr);  // another interface

  again.reset();
  std::unique_ptr<DeviceHold> taken = second.Take(upper, result);
  EXPECT_NE(taken, nullptr);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(first.Take(path, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
}

// Another user's program: its mutex grants this user nothing, so opening the name is refused.
TEST(DeviceHoldTest, AHoldThisUserMayNotOpenIsInUseToo) {
  const std::string path = InterfacePath("other-user");
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ACL empty;
  ASSERT_TRUE(::InitializeAcl(&empty, sizeof empty, ACL_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  UniqueHandle foreign(::CreateMutexW(&attributes, FALSE, HoldName(path).c_str()));
  ASSERT_TRUE(foreign.Valid());

  HoldRegistry registry;
  hid::HidResult result;
  EXPECT_EQ(registry.Take(path, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
  EXPECT_EQ(result.systemError, ERROR_ACCESS_DENIED);
  EXPECT_THAT(result.message, HasSubstr(path));
}

TEST(DeviceHoldTest, NamesAreOneObjectNameWithinTheLimitOnePerPath) {
  const std::wstring name = HoldName(InterfacePath("name"));
  ASSERT_TRUE(name.starts_with(L"Global\\"));
  EXPECT_EQ(name.find(L'\\', 7), std::wstring::npos) << Narrow(name);
  EXPECT_EQ(HoldName(R"(\\?\HID#VID_0483)"), HoldName(R"(\\?\hid#vid_0483)"));
  EXPECT_NE(HoldName(R"(\\?\hid#vid_0483&pid_5750#1)"), HoldName(R"(\\?\hid#vid_0483&pid_5750#2)"));

  // Longer than an object's name may be: cut, and told apart by the hash of the whole.
  const std::string longA = InterfacePath(std::string(400, 'x').append("a").c_str());
  const std::string longB = InterfacePath(std::string(400, 'x').append("b").c_str());
  const std::wstring nameA = HoldName(longA);
  EXPECT_LE(nameA.size(), kHoldNameLimit);
  EXPECT_LT(nameA.size(), static_cast<std::size_t>(MAX_PATH));
  EXPECT_EQ(nameA.find(L'\\', 7), std::wstring::npos);
  EXPECT_NE(nameA, HoldName(longB));
  EXPECT_EQ(nameA, HoldName(std::string(longA).replace(0, 8, R"(\\?\HID#)")));
  // And the system takes it: the hold works as any other.
  HoldRegistry first;
  HoldRegistry second;
  hid::HidResult result;
  const std::unique_ptr<DeviceHold> held = first.Take(longA, result);
  ASSERT_NE(held, nullptr) << result.message;
  EXPECT_EQ(second.Take(longA, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
  EXPECT_NE(second.Take(longB, result), nullptr);
}

// Through Open: a file stands for the interface (it opens as one, its capabilities aside).
TEST(Win32HidServicesTest, ADeviceOpenInOneProgramIsInUseForAnotherUntilItsLastObjectGoes) {
  const std::filesystem::path file =
      std::filesystem::path(::testing::TempDir()) /
      ("kr55le-hold-" + std::to_string(::GetCurrentProcessId()) + ".dev");
  std::FILE* created = ::_wfopen(file.c_str(), L"wb");
  ASSERT_NE(created, nullptr);
  std::fclose(created);
  const std::string path = Narrow(file.wstring());

  Win32HidServices program;
  Win32HidServices other;
  hid::HidResult result;
  std::shared_ptr<hid::HidDevice> device = program.Open(path, result);
  ASSERT_NE(device, nullptr) << result.message;

  EXPECT_EQ(other.Open(path, result), nullptr);
  EXPECT_EQ(result.error, hid::HidError::InUse);
  EXPECT_THAT(result.message, HasSubstr(path));
  EXPECT_THAT(result.message, Not(HasSubstr("CreateFile"))) << "it did not reach the device";

  // A rescan in the same program opens it again while the first object lives.
  std::shared_ptr<hid::HidDevice> reopened = program.Open(path, result);
  ASSERT_NE(reopened, nullptr) << result.message;
  device.reset();
  EXPECT_EQ(other.Open(path, result), nullptr);
  reopened.reset();
  EXPECT_NE(other.Open(path, result), nullptr) << result.message;
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace kr55le::win32
