// The HID services of a simulated bus: any number of KR-55LE devices in upgrade mode next to
// unrelated HID devices, plugged and unplugged by tests, the demo or --simulate. Interface paths
// have the Linux shape, /dev/hidrawN#vid_vvvv&pid_pppp. Every method is thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_services.h"
#include "sim/device_model.h"
#include "sim/sim_device_config.h"

namespace kr55le::sim {

// The unrelated device: a keyboard (8-byte boot report plus the ID byte, one LED byte out).
inline constexpr std::uint16_t kKeyboardVendorId = 0x046d;
inline constexpr std::uint16_t kKeyboardProductId = 0xc31c;
inline constexpr std::uint16_t kKeyboardVersionNumber = 0x6400;
inline constexpr std::uint16_t kKeyboardInputReportLength = 9;
inline constexpr std::uint16_t kKeyboardOutputReportLength = 2;
inline constexpr char kKeyboardDescription[] = "Logitech USB Keyboard";

// Whether a program takes the devices it opens for itself, as this utility does, or opens them
// shared, as a program that knows nothing of the others would.
enum class Holds { Taken, Ignored };

class SimHidServices : public hid::HidServices {
 public:
  SimHidServices();
  ~SimHidServices() override;
  SimHidServices(const SimHidServices&) = delete;
  SimHidServices& operator=(const SimHidServices&) = delete;

  // Another program on the same bus: the same devices, its own holds and notices.
  std::unique_ptr<SimHidServices> OtherProgram(Holds holds = Holds::Taken) const;

  std::vector<hid::HidInterface> Enumerate() override;
  std::shared_ptr<hid::HidDevice> Open(const std::string& path, hid::HidResult& result) override;
  void RegisterNotices(std::function<void(hid::DeviceChange)> sink) override;

  // Each plug takes the lowest free hidraw number and sends an Arrival notice. The number
  // returned names the device for the calls below, also after it has gone.
  std::size_t Plug(SimDeviceConfig config = {});
  std::size_t PlugUnrelated();
  // Sends a Removal notice; false when the device was not plugged.
  bool Unplug(std::size_t device);
  bool IsPlugged(std::size_t device) const;
  // The interface path while plugged, empty otherwise.
  std::string PathOf(std::size_t device) const;

  // What a KR-55LE has received and assembled so far; empty for unrelated or unknown devices.
  DeviceCounters Counters(std::size_t device) const;
  std::vector<std::vector<std::uint8_t>> ReceivedReports(std::size_t device) const;
  std::vector<std::uint8_t> AssembledImage(std::size_t device) const;
  // Runs `inspect` on the device's model under its lock; false when it has none.
  bool InspectModel(std::size_t device,
                    const std::function<void(const DeviceModel&)>& inspect) const;

 private:
  struct Bus;
  SimHidServices(std::shared_ptr<Bus> bus, Holds holds);

  std::shared_ptr<Bus> bus_;  // shared with devices that unplug themselves from a host thread
  Holds holds_ = Holds::Taken;
  std::uint64_t program_ = 0;  // names this program's holds and its notice sink on the bus
};

}  // namespace kr55le::sim
