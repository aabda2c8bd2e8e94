#include "platform/web/webhid_services.h"

#include <cstdio>
#include <string_view>
#include <utility>

namespace kr55le::web {
namespace {

// How long the read after a request waits for the reply: a device answers within a few of its
// frames, and one that does not only costs the wait this once per request.
constexpr int kReplyWaitMs = 8;
constexpr char kPathFormat[] = "webhid-%d#vid_%04x&pid_%04x";
constexpr char kGone[] = "gone";
constexpr char kInUse[] = "in use";
constexpr std::string_view kNotSent = "not sent";  // how page/hid.js's write begins then

hid::HidResult Failure(hid::HidError error, const std::string& call, const std::string& why) {
  return {error, 0, call + ": " + why};
}

class WebHidDevice final : public hid::HidDevice {
 public:
  WebHidDevice(page::HidEntry entry, std::string path)
      : entry_(std::move(entry)), path_(std::move(path)) {}
  ~WebHidDevice() override { page::HidClose(entry_.index); }
  WebHidDevice(const WebHidDevice&) = delete;
  WebHidDevice& operator=(const WebHidDevice&) = delete;

  hid::HidResult GetAttributes(hid::HidAttributes& attributes) override {
    if (page::HidGone(entry_.index)) return Failure(hid::HidError::Gone, "attributes", kGone);
    // WebHID gives no release number: the version stays 0.
    attributes = {entry_.vendorId, entry_.productId, 0};
    return {};
  }

  hid::HidResult GetCaps(hid::HidCaps& caps) override {
    if (page::HidGone(entry_.index)) return Failure(hid::HidError::Gone, "caps", kGone);
    caps = {entry_.inputLength, entry_.outputLength, entry_.featureLength};
    return {};
  }

  // The page hears reports only in the browser's turn, so a read never waits, but the first one
  // after a request: that waits for the reply, which then reaches the dialog without waiting
  // for the browser's next turn.
  hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                      std::chrono::milliseconds) override {
    const bool replyDue = std::exchange(replyDue_, false);
    page::ReadResult result = page::HidRead(entry_.index, report, received);
    if (result == page::ReadResult::None && replyDue) {
      page::HidAwaitReport(entry_.index, kReplyWaitMs);
      result = page::HidRead(entry_.index, report, received);
    }
    switch (result) {
      case page::ReadResult::Report:
        return {};
      case page::ReadResult::None:
        return {hid::HidError::TimedOut, 0, {}};
      case page::ReadResult::Gone:
        return Failure(hid::HidError::Gone, "read(" + path_ + ")", kGone);
      case page::ReadResult::TooLong:
        return Failure(hid::HidError::TooLong, "read(" + path_ + ")", "report too long");
    }
    return {};
  }

  hid::HidResult Write(std::span<const std::uint8_t> report) override {
    const std::string why = page::HidWrite(entry_.index, report);
    if (why.empty()) {
      replyDue_ = true;
      return {};
    }
    const hid::HidError error = why == kGone                ? hid::HidError::Gone
                                : why.starts_with(kNotSent) ? hid::HidError::NotSent
                                                            : hid::HidError::Io;
    return Failure(error, "sendReport(" + path_ + ")", why);
  }

 private:
  const page::HidEntry entry_;
  const std::string path_;
  bool replyDue_ = false;  // a request has gone out and no read has looked for its reply yet
};

}  // namespace

std::string InterfacePathOf(const page::HidEntry& entry) {
  char path[64];
  std::snprintf(path, sizeof path, kPathFormat, entry.index, entry.vendorId, entry.productId);
  return path;
}

std::vector<hid::HidInterface> WebHidServices::Enumerate() {
  listed_ = page::HidList();
  std::vector<hid::HidInterface> interfaces;
  for (const page::HidEntry& entry : listed_) {
    hid::HidInterface interface;
    interface.path = InterfacePathOf(entry);
    if (!entry.name.empty()) interface.description = entry.name;
    interfaces.push_back(std::move(interface));
  }
  return interfaces;
}

std::shared_ptr<hid::HidDevice> WebHidServices::Open(const std::string& path,
                                                     hid::HidResult& result) {
  if (listed_.empty()) Enumerate();
  for (const page::HidEntry& entry : listed_) {
    const std::string own = InterfacePathOf(entry);
    if (!hid::SameInterfacePath(own, path)) continue;
    const std::string why = page::HidOpen(entry.index);
    if (why.empty()) {
      result = {};
      return std::make_shared<WebHidDevice>(entry, own);
    }
    const hid::HidError error = why == kInUse  ? hid::HidError::InUse
                                : why == kGone ? hid::HidError::NotFound
                                               : hid::HidError::Io;
    result = Failure(error, "open(" + own + ")", why);
    return nullptr;
  }
  result = Failure(hid::HidError::NotFound, "open(" + path + ")", "no such device");
  return nullptr;
}

void WebHidServices::RegisterNotices(std::function<void(hid::DeviceChange)> sink) {
  sink_ = std::move(sink);
}

void WebHidServices::DispatchNotices() {
  for (page::Notice notice = page::HidTakeNotice(); notice != page::Notice::None;
       notice = page::HidTakeNotice()) {
    if (sink_) {
      sink_(notice == page::Notice::Arrival ? hid::DeviceChange::Arrival
                                            : hid::DeviceChange::Removal);
    }
  }
}

}  // namespace kr55le::web
