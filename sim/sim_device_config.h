// What a simulated KR-55LE is and which faults it plays: identity, report lengths, timing and
// the scripted misbehaviour that tests, the demo and --simulate choose.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/protocol.h"

namespace kr55le::sim {

struct ReplayDevice;

// The device's USB identity, the same on every transport: the in-process bus, uhid and the
// USB link.
inline constexpr std::uint16_t kSimulatedVendorId = 0x0483;
inline constexpr std::uint16_t kSimulatedProductId = 0x5750;
inline constexpr std::uint16_t kSimulatedVersionNumber = 0x0100;
inline constexpr char kSimulatedDescription[] = "Pardo KR-55LE";

inline constexpr char kDefaultSerialNumber[] = "KR55LE0001";
inline constexpr char kDefaultVersion[] = "01.00.00";
inline constexpr std::uint16_t kDefaultInputReportLength = 64;
inline constexpr std::uint16_t kDefaultOutputReportLength = kReportSize;
// The device's own choices, which the host leaves open: the report ID of every reply but the
// identification, the code that asks for a block again, and what the bytes of a reply past its
// answer hold.
inline constexpr std::uint8_t kDefaultStatusReplyId = 0x01;
inline constexpr std::uint8_t kDefaultSendAgainCode = 0x02;
inline constexpr std::uint8_t kDefaultReplyFill = 0x00;

// Requests the device may be scripted to leave unanswered.
enum class SilentRequest { None, DeviceInfo, ImageCheck, UpgradeStart, Block };

struct SimDeviceConfig {
  UpgradeMode mode = UpgradeMode::Firmware;
  std::string serialNumber = kDefaultSerialNumber;  // cut to 10 bytes on the wire
  std::string softwareVersion = kDefaultVersion;    // cut to 8 bytes
  std::string bootloaderVersion = kDefaultVersion;  // cut to 8 bytes
  bool hasDescription = true;
  std::uint16_t inputReportLength = kDefaultInputReportLength;
  std::uint16_t outputReportLength = kDefaultOutputReportLength;
  std::uint8_t statusReplyId = kDefaultStatusReplyId;  // never 0 nor the identification's 8
  std::uint8_t sendAgainCode = kDefaultSendAgainCode;  // never "accepted" (1) nor "failed" (3)
  std::uint8_t replyFill = kDefaultReplyFill;          // past the bytes a reply defines

  // Block numbers count accepted blocks from 0, so a re-sent block keeps its number.
  SilentRequest silent = SilentRequest::None;
  std::uint32_t silentBlock = 0;                  // with SilentRequest::Block
  std::optional<std::uint32_t> failAtBlock{};     // acknowledged with code 3
  std::uint32_t resendEvery = 0;                  // asks again every Nth data report; 0 = never
  std::optional<std::uint32_t> lostAckAtBlock{};  // accepted, but its acknowledgement never leaves
  std::optional<std::uint32_t> unplugAtBlock{};   // the device is removed when it arrives
  // After each "send it again", the previous acknowledgement once more, a little later:
  // code 1 with the previous sequence number, as a device that repeats itself would.
  bool repeatAckAfterResend = false;
  // Played by the USB link alone (the other transports refuse their keys): without the
  // interrupt OUT endpoint, the host sends output reports as SET_REPORT control transfers; at
  // the block, the link says the device is gone while its connection stays; at the block, the
  // device halts its interrupt OUT endpoint (or stalls the SET_REPORT), as a busy one would.
  bool outEndpoint = true;
  std::optional<std::uint32_t> disconnectAtBlock{};
  std::optional<std::uint32_t> stallAtBlock{};

  std::chrono::milliseconds eraseDelay{0};    // before the start request's reply
  std::chrono::milliseconds replyLatency{0};  // before every reply
  bool chatter = false;  // unsolicited input reports whenever nothing else is due

  // A recorded device to play back instead of the model, with its delays or at once.
  std::shared_ptr<const ReplayDevice> replay{};
  bool replayRecordedTiming = false;

  bool operator==(const SimDeviceConfig&) const = default;
};

}  // namespace kr55le::sim
