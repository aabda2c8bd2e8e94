#include "sim/usb/control_requests.h"

#include <algorithm>

#include "sim/model_descriptor.h"

namespace kr55le::usb {
namespace {

constexpr unsigned kHighByteShift = 8;
constexpr std::uint16_t kLowByteMask = 0xFF;
constexpr std::size_t kStatusBytes = 2;  // GET_STATUS: no remote wakeup, no halt, bus-powered

std::uint8_t HighByte(std::uint16_t value) {
  return static_cast<std::uint8_t>(value >> kHighByteShift);
}

std::uint8_t LowByte(std::uint16_t value) {
  return static_cast<std::uint8_t>(value & kLowByteMask);
}

bool IsIn(const SetupPacket& setup) {
  return (setup.requestType & kDirectionIn) != 0;
}

std::uint8_t RecipientOf(const SetupPacket& setup) {
  return setup.requestType & kRecipientMask;
}

ControlAnswer Stall() {
  return {};
}

ControlAnswer Done() {
  return {ControlStatus::Done, {}, {}};
}

// A device returns no more than the host asked for (USB 2.0, 9.3.5).
ControlAnswer Give(std::span<const std::uint8_t> bytes, const SetupPacket& setup) {
  ControlAnswer answer = Done();
  const std::size_t count = std::min<std::size_t>(bytes.size(), setup.length);
  answer.data.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
  return answer;
}

bool Declares(std::span<const std::uint8_t> reportIds, std::uint8_t reportId) {
  return std::find(reportIds.begin(), reportIds.end(), reportId) != reportIds.end();
}

ControlAnswer GetDescriptor(const SetupPacket& setup, const UsbDescriptors& descriptors) {
  const std::uint8_t type = HighByte(setup.value);
  const std::uint8_t index = LowByte(setup.value);
  if (RecipientOf(setup) == kRecipientDevice) {
    switch (type) {
      case kDescriptorDevice:
        return index == 0 ? Give(descriptors.device, setup) : Stall();
      case kDescriptorConfiguration:
        return index == 0 ? Give(descriptors.configuration, setup) : Stall();
      case kDescriptorString: {
        const auto string = StringDescriptor(descriptors, index);
        return string ? Give(*string, setup) : Stall();
      }
      default:
        return Stall();  // a device qualifier among them: a full-speed-only device has none
    }
  }
  if (RecipientOf(setup) == kRecipientInterface && setup.index == kInterfaceNumber) {
    if (type == kDescriptorHid) return Give(descriptors.hid, setup);
    if (type == kDescriptorReport) return Give(descriptors.report, setup);
  }
  return Stall();
}

ControlAnswer AnswerStandard(const SetupPacket& setup, const UsbDescriptors& descriptors) {
  switch (setup.request) {
    case kRequestGetStatus: {
      if (!IsIn(setup)) return Stall();
      const std::uint8_t status[kStatusBytes] = {};
      return Give(status, setup);
    }
    case kRequestClearFeature:
    case kRequestSetFeature:
      return IsIn(setup) ? Stall() : Done();
    case kRequestGetDescriptor:
      return IsIn(setup) ? GetDescriptor(setup, descriptors) : Stall();
    default:
      return Stall();
  }
}

ControlAnswer GetReport(const SetupPacket& setup, const UsbDescriptors& descriptors) {
  const std::uint8_t reportId = LowByte(setup.value);
  if (HighByte(setup.value) != kReportTypeInput || descriptors.inputReportLength == 0 ||
      !Declares(descriptors.inputReportIds, reportId)) {
    return Stall();
  }
  // The device only ever answers requests: asked, it has nothing new to tell.
  std::vector<std::uint8_t> report(descriptors.inputReportLength, 0);
  report[0] = reportId;
  return Give(report, setup);
}

ControlAnswer SetReport(const SetupPacket& setup, std::span<const std::uint8_t> data,
                        const UsbDescriptors& descriptors) {
  const std::uint8_t reportId = LowByte(setup.value);
  // A numbered report's data begins with its ID (HID 1.11, 7.2.2).
  if (HighByte(setup.value) != kReportTypeOutput || !Declares(sim::kOutputReportIds, reportId) ||
      data.empty() || data.size() > descriptors.outputReportLength || data[0] != reportId) {
    return Stall();
  }
  ControlAnswer answer = Done();
  answer.outputReport.emplace(data.begin(), data.end());
  return answer;
}

ControlAnswer AnswerHid(const SetupPacket& setup, std::span<const std::uint8_t> data,
                        const UsbDescriptors& descriptors) {
  if (RecipientOf(setup) != kRecipientInterface || setup.index != kInterfaceNumber) return Stall();
  switch (setup.request) {
    case kRequestGetReport:
      return IsIn(setup) ? GetReport(setup, descriptors) : Stall();
    case kRequestSetReport:
      return IsIn(setup) ? Stall() : SetReport(setup, data, descriptors);
    case kRequestGetIdle: {
      const std::uint8_t idle[] = {kIdleForever};
      return IsIn(setup) ? Give(idle, setup) : Stall();
    }
    case kRequestGetProtocol: {
      const std::uint8_t protocol[] = {kReportProtocol};
      return IsIn(setup) ? Give(protocol, setup) : Stall();
    }
    case kRequestSetIdle:  // it repeats no report unasked, whatever the rate
    case kRequestSetProtocol:
      return IsIn(setup) ? Stall() : Done();
    default:
      return Stall();
  }
}

}  // namespace

bool ClearsHaltOf(const SetupPacket& setup, std::uint8_t endpoint) {
  return (setup.requestType & kTypeMask) == kTypeStandard && !IsIn(setup) &&
         RecipientOf(setup) == kRecipientEndpoint && setup.index == endpoint &&
         setup.request == kRequestClearFeature && setup.value == kFeatureEndpointHalt;
}

ControlAnswer AnswerControl(const SetupPacket& setup, std::span<const std::uint8_t> data,
                            const UsbDescriptors& descriptors) {
  switch (setup.requestType & kTypeMask) {
    case kTypeStandard:
      return AnswerStandard(setup, descriptors);
    case kTypeClass:
      return AnswerHid(setup, data, descriptors);
    default:
      return Stall();  // the device has no vendor requests
  }
}

}  // namespace kr55le::usb
