#include "record/recording_hid_services.h"

#include <utility>

namespace kr55le::record {
namespace {

class RecordingHidDevice final : public hid::HidDevice {
 public:
  RecordingHidDevice(std::shared_ptr<hid::HidDevice> device,
                     std::shared_ptr<SessionRecorder> recorder, std::uint32_t handle)
      : device_(std::move(device)), recorder_(std::move(recorder)), handle_(handle) {}

  hid::HidResult GetAttributes(hid::HidAttributes& attributes) override {
    const hid::HidResult result = device_->GetAttributes(attributes);
    recorder_->Record({.kind = EventKind::Attributes,
                       .handle = handle_,
                       .attributes = attributes,
                       .error = result.error});
    return result;
  }

  hid::HidResult GetCaps(hid::HidCaps& caps) override {
    const hid::HidResult result = device_->GetCaps(caps);
    recorder_->Record(
        {.kind = EventKind::Caps, .handle = handle_, .caps = caps, .error = result.error});
    return result;
  }

  // Waits that end without a report are not recorded: they say nothing of the device.
  hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                      std::chrono::milliseconds timeout) override {
    const hid::HidResult result = device_->Read(report, received, timeout);
    if (result.error == hid::HidError::TimedOut) return result;
    Event event{.kind = EventKind::Read, .handle = handle_, .error = result.error};
    if (result.ok()) event.bytes.assign(report.begin(), report.begin() + received);
    recorder_->Record(std::move(event));
    return result;
  }

  hid::HidResult Write(std::span<const std::uint8_t> report) override {
    recorder_->Record({.kind = EventKind::Write,
                       .handle = handle_,
                       .bytes = std::vector<std::uint8_t>(report.begin(), report.end())});
    const hid::HidResult result = device_->Write(report);
    if (!result.ok()) {
      recorder_->Record({.kind = EventKind::WriteFailed, .handle = handle_, .error = result.error});
    }
    return result;
  }

 private:
  const std::shared_ptr<hid::HidDevice> device_;
  const std::shared_ptr<SessionRecorder> recorder_;
  const std::uint32_t handle_;
};

}  // namespace

SessionRecorder::SessionRecorder(std::FILE* file, std::string tool, std::string version,
                                 std::vector<std::string> command)
    : file_(file), start_(Clock::now()) {
  Record({.kind = EventKind::Start,
          .tool = std::move(tool),
          .version = std::move(version),
          .command = std::move(command)});
}

SessionRecorder::~SessionRecorder() {
  Close();
}

void SessionRecorder::Record(Event event) {
  // Stamped under the lock, so that the file's order is the order of the times.
  const std::lock_guard lock(mutex_);
  if (file_ == nullptr) return;
  event.micros = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_).count());
  std::string line = FormatEvent(event);
  line += '\n';
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) failed_ = true;
}

std::uint32_t SessionRecorder::NextHandle() {
  const std::lock_guard lock(mutex_);
  return handles_++;
}

bool SessionRecorder::Close() {
  const std::lock_guard lock(mutex_);
  if (file_ != nullptr) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
  }
  return !failed_;
}

RecordingHidServices::RecordingHidServices(hid::HidServices& bus,
                                           std::shared_ptr<SessionRecorder> recorder)
    : ForwardingHidServices(bus), recorder_(std::move(recorder)) {}

std::vector<hid::HidInterface> RecordingHidServices::Enumerate() {
  std::vector<hid::HidInterface> interfaces = Bus().Enumerate();
  recorder_->Record({.kind = EventKind::Interfaces, .interfaces = interfaces});
  return interfaces;
}

std::shared_ptr<hid::HidDevice> RecordingHidServices::Open(const std::string& path,
                                                           hid::HidResult& result) {
  std::shared_ptr<hid::HidDevice> device = Bus().Open(path, result);
  const std::uint32_t handle = recorder_->NextHandle();
  recorder_->Record(
      {.kind = EventKind::Open, .handle = handle, .path = path, .error = result.error});
  if (!device) return nullptr;
  return std::make_shared<RecordingHidDevice>(std::move(device), recorder_, handle);
}

}  // namespace kr55le::record
