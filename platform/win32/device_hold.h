// A program's hold on a HID interface (see hid::HidServices::Open): a named mutex per interface
// path, which exists while the program that made it holds the device. Another program that
// asks for the same name finds it there and keeps off the device; the same program shares its
// hold among all the device objects it has open on that interface.
//
// The mutex is never waited on or owned (a mutex's owner is a thread, and the device objects go
// on whichever thread lets go of them last): its existence is the hold. The system creates a
// name only once however many programs ask at the same moment, and removes it when the last
// handle to it closes, also when the program that held it ends without closing it.
//
// Not an exclusive open (share mode 0): that would also fail every other program's enumeration,
// which opens each interface to read its names and capabilities, so the device would drop out
// of their lists or look broken rather than in use; and it would refuse this program's own
// second open, which a rescan makes while the reader still has the first.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "hid/hid_services.h"

namespace kr55le::win32 {

// The namespace of the holds: Global\, the one every session of the PC sees. The HID class
// driver lets every user open the device, so a program in another user's session (fast user
// switching, a remote desktop) must find the hold as well. Creating a mutex there needs no
// privilege, unlike a file mapping.
inline constexpr std::wstring_view kHoldNamePrefix = L"Global\\kr55le-upgrade-hid-";
// A kernel object's name is at most MAX_PATH characters; the hold's stay below that.
inline constexpr std::size_t kHoldNameLimit = 259;

// The name of the hold on `path`: kHoldNamePrefix, then the path in ASCII lower case (as
// hid::SameInterfacePath compares paths) with each backslash made a slash (a backslash would
// name a folder of the object namespace); a name longer than kHoldNameLimit keeps its start and
// ends in a hash of the whole path instead.
std::wstring HoldName(std::string_view path);

struct HoldTable;

// One device object's share of its program's hold on an interface; the interface is free for
// other programs again once the program's last share goes.
class DeviceHold {
 public:
  DeviceHold(std::shared_ptr<HoldTable> table, std::string key);
  ~DeviceHold();
  DeviceHold(const DeviceHold&) = delete;
  DeviceHold& operator=(const DeviceHold&) = delete;

 private:
  const std::shared_ptr<HoldTable> table_;
  const std::string key_;
};

// The holds of one program (one services object): per interface, its named mutex and how many
// shares of it live. Take, and the shares' going, may happen on any thread.
class HoldRegistry {
 public:
  HoldRegistry();
  ~HoldRegistry();
  HoldRegistry(const HoldRegistry&) = delete;
  HoldRegistry& operator=(const HoldRegistry&) = delete;

  // A share of the hold on `path`: of the one this registry has, or of a new one. Null when
  // another program holds the interface (InUse, the message naming the path), or when the
  // system refuses the name for another reason (Io).
  std::unique_ptr<DeviceHold> Take(std::string_view path, hid::HidResult& result);

 private:
  std::shared_ptr<HoldTable> table_;
};

}  // namespace kr55le::win32
