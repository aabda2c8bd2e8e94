// The device's answers on endpoint 0: the standard requests (USB 2.0, 9.4) and the HID class
// requests (HID 1.11, 7.2) that reach it, each a setup packet in and a status and data out.
// Configuration and interface settings travel as usbredir messages of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/usb/usb_descriptors.h"

namespace kr55le::usb {

// USB 2.0, table 9-2: bmRequestType.
inline constexpr std::uint8_t kDirectionIn = 0x80;
inline constexpr std::uint8_t kTypeMask = 0x60;
inline constexpr std::uint8_t kTypeStandard = 0x00;
inline constexpr std::uint8_t kTypeClass = 0x20;
inline constexpr std::uint8_t kRecipientMask = 0x1F;
inline constexpr std::uint8_t kRecipientDevice = 0x00;
inline constexpr std::uint8_t kRecipientInterface = 0x01;
inline constexpr std::uint8_t kRecipientEndpoint = 0x02;

// USB 2.0, table 9-4.
inline constexpr std::uint8_t kRequestGetStatus = 0x00;
inline constexpr std::uint8_t kRequestClearFeature = 0x01;
inline constexpr std::uint8_t kRequestSetFeature = 0x03;
inline constexpr std::uint8_t kRequestGetDescriptor = 0x06;
inline constexpr std::uint16_t kFeatureEndpointHalt = 0x0000;  // USB 2.0, table 9-6

// HID 1.11, 7.2: class requests and the report types in wValue's high byte.
inline constexpr std::uint8_t kRequestGetReport = 0x01;
inline constexpr std::uint8_t kRequestGetIdle = 0x02;
inline constexpr std::uint8_t kRequestGetProtocol = 0x03;
inline constexpr std::uint8_t kRequestSetReport = 0x09;
inline constexpr std::uint8_t kRequestSetIdle = 0x0A;
inline constexpr std::uint8_t kRequestSetProtocol = 0x0B;
inline constexpr std::uint8_t kReportTypeInput = 0x01;
inline constexpr std::uint8_t kReportTypeOutput = 0x02;
inline constexpr std::uint8_t kReportProtocol = 0x01;  // not the boot protocol
inline constexpr std::uint8_t kIdleForever = 0x00;     // no report repeated unasked

struct SetupPacket {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
};

enum class ControlStatus { Done, Stall };

struct ControlAnswer {
  ControlStatus status = ControlStatus::Stall;
  std::vector<std::uint8_t> data;  // device to host: at most the setup's length
  std::optional<std::vector<std::uint8_t>> outputReport;  // SET_REPORT's, for the model
};

// `data` is what the host sent with a host-to-device request.
ControlAnswer AnswerControl(const SetupPacket& setup, std::span<const std::uint8_t> data,
                            const UsbDescriptors& descriptors);

// CLEAR_FEATURE(ENDPOINT_HALT) of `endpoint`, which a device that halts it heeds besides
// answering it as AnswerControl does.
bool ClearsHaltOf(const SetupPacket& setup, std::uint8_t endpoint);

}  // namespace kr55le::usb
