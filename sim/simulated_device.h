// One device on the simulated bus: what it reports about itself, its model (none for an unrelated
// device, which takes reports and never answers) and the input queues of the handles open on it.
// Thread-safe: the host's reader and writer threads and the test's thread all reach it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "hid/hid_services.h"
#include "sim/device_model.h"
#include "sim/report_queue.h"

namespace kr55le::sim {

struct SimIdentity {
  hid::HidAttributes attributes;
  hid::HidCaps caps;
};

class SimulatedDevice {
 public:
  // `removedItself` runs, outside every lock of this device, when a scripted fault unplugs it.
  SimulatedDevice(SimIdentity identity, std::optional<SimDeviceConfig> config,
                  std::function<void()> removedItself);

  const SimIdentity& Identity() const { return identity_; }
  bool Chatters() const { return chatters_; }

  // The input queue of a newly opened handle; every later reply goes to each open handle.
  std::shared_ptr<ReportQueue> OpenQueue();

  enum class Delivery { Taken, Gone };
  // Hands one whole output report to the device. Gone when it had gone, or went as it arrived.
  Delivery Deliver(std::span<const std::uint8_t> report);

  // The device taken for one program (one SimHidServices) while the hold lives; null when
  // another program holds it.
  using Hold = std::shared_ptr<const void>;
  Hold TakeHold(std::uint64_t program);

  // Takes the device off the bus: every open handle fails from now on. Idempotent.
  void Remove();
  bool IsGone() const;

  // Runs `inspect` on the model under the device's lock; false for a device without a model.
  bool InspectModel(const std::function<void(const DeviceModel&)>& inspect) const;

 private:
  void RemoveLocked();

  const SimIdentity identity_;
  const bool chatters_;
  const std::function<void()> removedItself_;
  mutable std::mutex mutex_;
  std::optional<DeviceModel> model_;
  std::vector<std::weak_ptr<ReportQueue>> queues_;
  struct Holder {
    std::uint64_t program;
  };
  std::weak_ptr<const Holder> hold_;
  bool gone_ = false;
};

}  // namespace kr55le::sim
