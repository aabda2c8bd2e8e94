// An open handle on a simulated device, as the report link sees a real one: whole reports only,
// reads that wait for the device's reply, and failure with Gone once the device is unplugged.
// Read and Write may run on two threads at once.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "hid/hid_services.h"
#include "sim/report_queue.h"
#include "sim/simulated_device.h"

namespace kr55le::sim {

class SimHidDevice : public hid::HidDevice {
 public:
  // `hold` keeps the device taken for the program that opened it (null: it takes none).
  SimHidDevice(std::shared_ptr<SimulatedDevice> device, std::string path,
               SimulatedDevice::Hold hold = nullptr);

  hid::HidResult GetAttributes(hid::HidAttributes& attributes) override;
  hid::HidResult GetCaps(hid::HidCaps& caps) override;
  hid::HidResult Read(std::span<std::uint8_t> report, std::size_t& received,
                      std::chrono::milliseconds timeout) override;
  hid::HidResult Write(std::span<const std::uint8_t> report) override;

 private:
  hid::HidResult Failure(hid::HidError error, const char* call, const std::string& why) const;
  hid::HidResult CopyOut(const std::vector<std::uint8_t>& input, std::span<std::uint8_t> report,
                         std::size_t& received) const;
  std::vector<std::uint8_t> NextChatter();

  const std::shared_ptr<SimulatedDevice> device_;
  const std::shared_ptr<ReportQueue> queue_;
  const std::string path_;
  const SimulatedDevice::Hold hold_;
  std::atomic<std::uint32_t> chatterCount_{0};
};

}  // namespace kr55le::sim
