#include "platform/linux/logind_hold.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "res/strings.h"

namespace kr55le {
namespace {

constexpr char kLogindService[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";
constexpr char kInhibitMethod[] = "Inhibit";
constexpr char kInhibitWhat[] = "sleep:shutdown:idle:handle-lid-switch";
constexpr char kInhibitMode[] = "block";
// A bus that does not answer must not hold up the start of a transfer for long.
constexpr std::uint64_t kCallTimeoutMicroseconds = 3'000'000;
// Descriptors below this are the standard streams.
constexpr int kFirstFreeDescriptor = 3;

class LogindHold final : public SystemHold {
 public:
  explicit LogindHold(int descriptor) : descriptor_(descriptor) {}

 private:
  FileDescriptor descriptor_;  // closing it ends the inhibitor
};

struct BusCall {
  ~BusCall() {
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
  }
  sd_bus* bus = nullptr;
  sd_bus_message* reply = nullptr;
  sd_bus_error error{};  // all null, as SD_BUS_ERROR_NULL (a C compound literal) makes it
};

std::unique_ptr<SystemHold> Unavailable(std::FILE* errors, const std::string& why) {
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) {
    const std::string_view intro = text::kNoSystemHold;
    std::fprintf(errors, "%.*s%s\n", static_cast<int>(intro.size()), intro.data(), why.c_str());
  }
  return nullptr;
}

std::string Describe(const char* step, int result, const sd_bus_error& error) {
  const std::string cause = sd_bus_error_is_set(&error) ? error.message : std::strerror(-result);
  return std::string(step) + ": " + cause;
}

}  // namespace

std::unique_ptr<SystemHold> TakeLogindHold(std::FILE* errors) {
  BusCall call;
  int result = sd_bus_open_system(&call.bus);
  if (result < 0) return Unavailable(errors, Describe("system bus", result, call.error));
  sd_bus_set_method_call_timeout(call.bus, kCallTimeoutMicroseconds);
  const std::string who(text::kHoldWho);
  const std::string why(text::kHoldWhy);
  result = sd_bus_call_method(call.bus, kLogindService, kLogindPath, kLogindManager, kInhibitMethod,
                              &call.error, &call.reply, "ssss", kInhibitWhat, who.c_str(),
                              why.c_str(), kInhibitMode);
  if (result < 0) return Unavailable(errors, Describe("logind", result, call.error));
  int descriptor = -1;
  result = sd_bus_message_read(call.reply, "h", &descriptor);
  if (result < 0) return Unavailable(errors, Describe("logind's answer", result, call.error));
  // The reply owns the descriptor it carries; the hold keeps a copy of its own.
  const int own = ::fcntl(descriptor, F_DUPFD_CLOEXEC, kFirstFreeDescriptor);
  if (own < 0) return Unavailable(errors, Describe("logind's answer", -errno, call.error));
  return std::make_unique<LogindHold>(own);
}

}  // namespace kr55le
