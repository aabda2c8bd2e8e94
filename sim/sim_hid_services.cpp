#include "sim/sim_hid_services.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>

#include "sim/replay_script.h"
#include "sim/sim_hid_device.h"
#include "sim/simulated_device.h"

namespace kr55le::sim {
namespace {

// The Linux backend's shape, lower-case hex, so the host's "vid_0483" match works the same.
constexpr char kInterfacePathFormat[] = "/dev/hidraw%u#vid_%04x&pid_%04x";
constexpr std::size_t kPathCapacity = 64;

std::string InterfacePath(unsigned number, std::uint16_t vendor, std::uint16_t product) {
  char path[kPathCapacity];
  std::snprintf(path, sizeof path, kInterfacePathFormat, number, vendor, product);
  return path;
}

SimIdentity Kr55leIdentity(const SimDeviceConfig& config) {
  SimIdentity identity;
  identity.attributes = {kSimulatedVendorId, kSimulatedProductId, kSimulatedVersionNumber};
  if (config.replay) identity.attributes = config.replay->attributes;
  identity.caps.InputReportByteLength = config.inputReportLength;
  identity.caps.OutputReportByteLength = config.outputReportLength;
  return identity;
}

SimIdentity KeyboardIdentity() {
  SimIdentity identity;
  identity.attributes = {kKeyboardVendorId, kKeyboardProductId, kKeyboardVersionNumber};
  identity.caps.InputReportByteLength = kKeyboardInputReportLength;
  identity.caps.OutputReportByteLength = kKeyboardOutputReportLength;
  return identity;
}

}  // namespace

struct SimHidServices::Bus {
  struct Slot {
    std::shared_ptr<SimulatedDevice> device;
    std::optional<std::string> description;
    std::optional<unsigned> number;  // the hidraw number while plugged
    std::string path;                // empty while unplugged
  };

  mutable std::mutex mutex;
  std::vector<Slot> slots;  // indexed by the number Plug returned
  std::atomic<std::uint64_t> programs{0};
  std::mutex sinkMutex;
  std::map<std::uint64_t, std::function<void(hid::DeviceChange)>> sinks;  // by program

  unsigned LowestFreeNumberLocked() const {
    unsigned number = 0;
    while (std::any_of(slots.begin(), slots.end(),
                       [number](const Slot& slot) { return slot.number == number; })) {
      ++number;
    }
    return number;
  }

  // Takes the device off the list; the device itself is told by the caller.
  std::shared_ptr<SimulatedDevice> Detach(std::size_t id) {
    std::lock_guard lock(mutex);
    if (id >= slots.size() || !slots[id].number) return nullptr;
    slots[id].number.reset();
    slots[id].path.clear();
    return slots[id].device;
  }

  std::shared_ptr<SimulatedDevice> Find(std::size_t id) const {
    std::lock_guard lock(mutex);
    return id < slots.size() ? slots[id].device : nullptr;
  }

  // Under the sink's lock alone (a host may enumerate or open from inside its sink), so that a
  // sink taken back is never called afterwards.
  void Notify(hid::DeviceChange change) {
    std::lock_guard lock(sinkMutex);
    for (const auto& [program, sink] : sinks) sink(change);
  }

  std::size_t Attach(SimIdentity identity, std::optional<SimDeviceConfig> config,
                     std::optional<std::string> description, const std::shared_ptr<Bus>& self) {
    std::size_t id = 0;
    {
      std::lock_guard lock(mutex);
      id = slots.size();
      std::weak_ptr<Bus> weakBus = self;
      auto removedItself = [weakBus, id] {
        const auto bus = weakBus.lock();
        if (bus && bus->Detach(id)) bus->Notify(hid::DeviceChange::Removal);
      };
      Slot slot;
      slot.number = LowestFreeNumberLocked();
      slot.path =
          InterfacePath(*slot.number, identity.attributes.VendorID, identity.attributes.ProductID);
      slot.description = std::move(description);
      slot.device =
          std::make_shared<SimulatedDevice>(identity, std::move(config), std::move(removedItself));
      slots.push_back(std::move(slot));
    }
    Notify(hid::DeviceChange::Arrival);
    return id;
  }
};

SimHidServices::SimHidServices() : SimHidServices(std::make_shared<Bus>(), Holds::Taken) {}

SimHidServices::SimHidServices(std::shared_ptr<Bus> bus, Holds holds)
    : bus_(std::move(bus)), holds_(holds), program_(++bus_->programs) {}

SimHidServices::~SimHidServices() {
  RegisterNotices(nullptr);
}

std::unique_ptr<SimHidServices> SimHidServices::OtherProgram(Holds holds) const {
  return std::unique_ptr<SimHidServices>(new SimHidServices(bus_, holds));
}

std::vector<hid::HidInterface> SimHidServices::Enumerate() {
  std::vector<std::pair<unsigned, hid::HidInterface>> present;
  {
    std::lock_guard lock(bus_->mutex);
    for (const auto& slot : bus_->slots) {
      if (slot.number) present.push_back({*slot.number, {slot.path, slot.description}});
    }
  }
  std::sort(present.begin(), present.end(),
            [](const auto& left, const auto& right) { return left.first < right.first; });
  std::vector<hid::HidInterface> interfaces;
  for (auto& entry : present) interfaces.push_back(std::move(entry.second));
  return interfaces;
}

std::shared_ptr<hid::HidDevice> SimHidServices::Open(const std::string& path,
                                                     hid::HidResult& result) {
  std::shared_ptr<SimulatedDevice> device;
  std::string enumeratedPath;
  {
    std::lock_guard lock(bus_->mutex);
    for (const auto& slot : bus_->slots) {
      if (slot.number && hid::SameInterfacePath(slot.path, path)) {
        device = slot.device;
        enumeratedPath = slot.path;
        break;
      }
    }
  }
  if (!device) {
    result = {hid::HidError::NotFound, 0, "open(" + path + "): no such device"};
    return nullptr;
  }
  SimulatedDevice::Hold hold;
  if (holds_ == Holds::Taken) {
    hold = device->TakeHold(program_);
    if (!hold) {
      result = {hid::HidError::InUse, 0, "open(" + path + "): taken by another program"};
      return nullptr;
    }
  }
  result = {};
  return std::make_shared<SimHidDevice>(std::move(device), std::move(enumeratedPath),
                                        std::move(hold));
}

void SimHidServices::RegisterNotices(std::function<void(hid::DeviceChange)> sink) {
  std::lock_guard lock(bus_->sinkMutex);
  if (sink) {
    bus_->sinks[program_] = std::move(sink);
  } else {
    bus_->sinks.erase(program_);
  }
}

std::size_t SimHidServices::Plug(SimDeviceConfig config) {
  const SimIdentity identity = Kr55leIdentity(config);
  std::optional<std::string> description;
  if (config.hasDescription) description = kSimulatedDescription;
  return bus_->Attach(identity, std::move(config), std::move(description), bus_);
}

std::size_t SimHidServices::PlugUnrelated() {
  return bus_->Attach(KeyboardIdentity(), std::nullopt, kKeyboardDescription, bus_);
}

bool SimHidServices::Unplug(std::size_t device) {
  const auto detached = bus_->Detach(device);
  if (!detached) return false;
  detached->Remove();
  bus_->Notify(hid::DeviceChange::Removal);
  return true;
}

bool SimHidServices::IsPlugged(std::size_t device) const {
  std::lock_guard lock(bus_->mutex);
  return device < bus_->slots.size() && bus_->slots[device].number.has_value();
}

std::string SimHidServices::PathOf(std::size_t device) const {
  std::lock_guard lock(bus_->mutex);
  return device < bus_->slots.size() ? bus_->slots[device].path : std::string();
}

DeviceCounters SimHidServices::Counters(std::size_t device) const {
  DeviceCounters counters;
  InspectModel(device, [&counters](const DeviceModel& model) { counters = model.Counters(); });
  return counters;
}

std::vector<std::vector<std::uint8_t>> SimHidServices::ReceivedReports(std::size_t device) const {
  std::vector<std::vector<std::uint8_t>> reports;
  InspectModel(device, [&reports](const DeviceModel& model) { reports = model.ReceivedReports(); });
  return reports;
}

std::vector<std::uint8_t> SimHidServices::AssembledImage(std::size_t device) const {
  std::vector<std::uint8_t> image;
  InspectModel(device, [&image](const DeviceModel& model) { image = model.AssembledImage(); });
  return image;
}

bool SimHidServices::InspectModel(std::size_t device,
                                  const std::function<void(const DeviceModel&)>& inspect) const {
  const auto found = bus_->Find(device);
  return found && found->InspectModel(inspect);
}

}  // namespace kr55le::sim
