// HID services that pass every call on to another's and record it: the interfaces each
// enumeration gives, each opening, and every report written and read with its time.
#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/forwarding_hid_services.h"
#include "record/session_record.h"

namespace kr55le::record {

// Writes the events to one file, from any thread, in the order they happen.
class SessionRecorder {
 public:
  using Clock = std::chrono::steady_clock;

  // Takes `file` over (closing it at the end) and writes the start event.
  SessionRecorder(std::FILE* file, std::string tool, std::string version,
                  std::vector<std::string> command);
  ~SessionRecorder();
  SessionRecorder(const SessionRecorder&) = delete;
  SessionRecorder& operator=(const SessionRecorder&) = delete;

  // Stamps the event with the time since the start and writes it.
  void Record(Event event);
  // A number for a newly opened handle.
  std::uint32_t NextHandle();
  // False once a write to the file has failed.
  bool Close();

 private:
  std::mutex mutex_;
  std::FILE* file_;
  const Clock::time_point start_;
  std::uint32_t handles_ = 0;
  bool failed_ = false;
};

class RecordingHidServices final : public hid::ForwardingHidServices {
 public:
  RecordingHidServices(hid::HidServices& bus, std::shared_ptr<SessionRecorder> recorder);

  std::vector<hid::HidInterface> Enumerate() override;
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override;

 private:
  std::shared_ptr<SessionRecorder> recorder_;
};

}  // namespace kr55le::record
