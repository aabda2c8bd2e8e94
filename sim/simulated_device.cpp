#include "sim/simulated_device.h"

#include <utility>

namespace kr55le::sim {

SimulatedDevice::SimulatedDevice(SimIdentity identity, std::optional<SimDeviceConfig> config,
                                 std::function<void()> removedItself)
    : identity_(identity),
      chatters_(config && config->chatter),
      removedItself_(std::move(removedItself)) {
  if (config) model_.emplace(std::move(*config));
}

std::shared_ptr<ReportQueue> SimulatedDevice::OpenQueue() {
  auto queue = std::make_shared<ReportQueue>();
  std::lock_guard lock(mutex_);
  if (gone_) {
    queue->Close();
  } else {
    std::erase_if(queues_, [](const auto& weak) { return weak.expired(); });
    queues_.push_back(queue);
  }
  return queue;
}

SimulatedDevice::Hold SimulatedDevice::TakeHold(std::uint64_t program) {
  std::lock_guard lock(mutex_);
  if (const auto held = hold_.lock()) return held->program == program ? held : nullptr;
  auto hold = std::make_shared<const Holder>(Holder{program});
  hold_ = hold;
  return hold;
}

SimulatedDevice::Delivery SimulatedDevice::Deliver(std::span<const std::uint8_t> report) {
  {
    std::lock_guard lock(mutex_);
    if (gone_) return Delivery::Gone;
    if (!model_) return Delivery::Taken;
    DeviceResponse response = model_->HandleOutputReport(report);
    if (!response.unplug) {
      const SimClock::time_point now = SimClock::now();
      for (const auto& weak : queues_) {
        const auto queue = weak.lock();
        if (!queue) continue;
        for (const TimedReply& reply : response.replies)
          queue->Push(reply.report, now + reply.delay);
      }
      return Delivery::Taken;
    }
    RemoveLocked();
  }
  // Outside the lock: the bus takes its own lock and tells the host, who may call back in.
  if (removedItself_) removedItself_();
  return Delivery::Gone;
}

void SimulatedDevice::Remove() {
  std::lock_guard lock(mutex_);
  RemoveLocked();
}

void SimulatedDevice::RemoveLocked() {
  gone_ = true;
  for (const auto& weak : queues_) {
    if (const auto queue = weak.lock()) queue->Close();
  }
  queues_.clear();
}

bool SimulatedDevice::IsGone() const {
  std::lock_guard lock(mutex_);
  return gone_;
}

bool SimulatedDevice::InspectModel(const std::function<void(const DeviceModel&)>& inspect) const {
  std::lock_guard lock(mutex_);
  if (!model_) return false;
  inspect(*model_);
  return true;
}

}  // namespace kr55le::sim
