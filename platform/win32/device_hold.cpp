#include "platform/win32/device_hold.h"

#include "platform/win32/windows_headers.h"

#include <cstdint>
#include <map>
#include <mutex>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_errors.h"

namespace kr55le::win32 {

struct HoldTable {
  struct Entry {
    UniqueHandle mutex;
    std::size_t shares = 0;
  };
  // Counted under the lock, not by the shares' own reference counts: a share that is going
  // and a Take on another thread never see the count in between.
  std::mutex mutex;
  std::map<std::string, Entry> entries;  // by the path in ASCII lower case
};

namespace {

constexpr std::size_t kHashDigits = 16;

std::string LowerAscii(std::string_view path) {
  std::string lower(path);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// FNV-1a, 64 bits: only to tell apart paths whose names would be too long.
std::uint64_t Hash(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

hid::HidResult InUse(std::string_view path, DWORD error) {
  return {hid::HidError::InUse, static_cast<int>(error),
          CallMessage("CreateMutex", path, "the device is in use by another program")};
}

}  // namespace

std::wstring HoldName(std::string_view path) {
  const std::string key = LowerAscii(path);
  std::wstring tail = Widen(key);
  for (wchar_t& c : tail) {
    if (c == L'\\') c = L'/';
  }
  std::wstring name(kHoldNamePrefix);
  if (name.size() + tail.size() <= kHoldNameLimit) return name + tail;
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hash(kHashDigits, L'0');
  std::uint64_t value = Hash(key);
  for (std::size_t index = kHashDigits; index-- > 0; value >>= 4) hash[index] = kDigits[value & 15];
  name += tail.substr(0, kHoldNameLimit - name.size() - kHashDigits - 1);
  return name + L'~' + hash;
}

DeviceHold::DeviceHold(std::shared_ptr<HoldTable> table, std::string key)
    : table_(std::move(table)), key_(std::move(key)) {}

DeviceHold::~DeviceHold() {
  std::lock_guard lock(table_->mutex);
  const auto found = table_->entries.find(key_);
  if (found != table_->entries.end() && --found->second.shares == 0) {
    table_->entries.erase(found);  // closes the mutex: the name goes with the last handle
  }
}

HoldRegistry::HoldRegistry() : table_(std::make_shared<HoldTable>()) {}
HoldRegistry::~HoldRegistry() = default;

std::unique_ptr<DeviceHold> HoldRegistry::Take(std::string_view path, hid::HidResult& result) {
  std::string key = LowerAscii(path);
  std::lock_guard lock(table_->mutex);
  if (const auto found = table_->entries.find(key); found != table_->entries.end()) {
    ++found->second.shares;
    result = {};
    return std::make_unique<DeviceHold>(table_, std::move(key));
  }
  UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, HoldName(path).c_str()));
  const DWORD error = ::GetLastError();
  if (!mutex.Valid()) {
    // Another user's program made the name, and its mutex grants this user nothing.
    if (error == ERROR_ACCESS_DENIED) {
      result = InUse(path, error);
    } else {
      result = FailedCall("CreateMutex", path, error, FailedOn::Path);
      result.error = hid::HidError::Io;
    }
    return nullptr;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    result = InUse(path, error);
    return nullptr;  // the handle closes here: the name stays its holder's
  }
  table_->entries.emplace(key, HoldTable::Entry{std::move(mutex), 1});
  result = {};
  return std::make_unique<DeviceHold>(table_, std::move(key));
}

}  // namespace kr55le::win32
