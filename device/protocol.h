// Byte layouts of the upgrade protocol: the requests the host sends as output reports and the
// replies it reads back from input reports. Nothing here touches a device or a thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/report_view.h"

namespace kr55le {

inline constexpr std::uint8_t kRequestReportId = 0x01;
inline constexpr std::uint8_t kDataReportId = 0x02;
// The one reply told by its report ID. Every other reply may come under any input report ID the
// device declares, so no wait looks at byte 0 but to pass over this one.
inline constexpr std::uint8_t kDeviceInfoReplyId = 0x08;

inline constexpr std::uint8_t kCommandDeviceInfo = 0x01;
inline constexpr std::uint8_t kCommandUpgradeStart = 0x02;
inline constexpr std::uint8_t kCommandImageCheck = 0x03;
inline constexpr std::uint8_t kCommandExit = 0x04;
inline constexpr std::uint8_t kCommandDataBlock = 0x01;

inline constexpr std::uint8_t kFillByte = 0xFF;
inline constexpr std::size_t kHeaderFieldSize = 8;

// Image check request layout: the four header fields, one after the other.
inline constexpr std::size_t kCheckFieldsOffset = 4;
inline constexpr std::size_t kCheckKindOffset = kCheckFieldsOffset + 2 * kHeaderFieldSize;
inline constexpr std::size_t kCheckVersionOffset = kCheckKindOffset + kHeaderFieldSize;

// Data block layout. The first word is the tag: report ID, command and two zero bytes.
inline constexpr std::uint32_t kDataBlockTag = 0x00000102;
inline constexpr std::size_t kBlockTagZeroFirst = 2;
inline constexpr std::size_t kBlockTagZeroLast = 3;
inline constexpr std::size_t kBlockDataSize = 1008;
inline constexpr std::size_t kBlockSizeOffset = 4;
inline constexpr std::size_t kBlockCrcOffset = 8;
inline constexpr std::size_t kBlockReservedOffset = 12;
inline constexpr std::size_t kBlockDataOffset = 16;
inline constexpr std::size_t kDataBlockReportSize = kBlockDataOffset + kBlockDataSize;

// Device information reply layout.
inline constexpr std::size_t kSerialOffset = 1;
inline constexpr std::size_t kSerialSize = 10;
inline constexpr std::size_t kSoftwareVersionOffset = 11;
inline constexpr std::size_t kBootloaderVersionOffset = 19;
inline constexpr std::size_t kVersionFieldSize = 8;
inline constexpr std::size_t kModeOffset = 27;
inline constexpr std::uint8_t kModeAudio = 0x05;
inline constexpr std::uint8_t kModeFirmware = 0x00;  // any other value reads as firmware too

// Reply bytes tested by the waits.
inline constexpr std::size_t kReplyIdByte = 0;
inline constexpr std::size_t kAnsweredByte = 1;
inline constexpr std::uint8_t kAnswered = 0x01;
// A start reply that refuses: the host keeps waiting.
inline constexpr std::uint8_t kStartRefused = 0x00;
inline constexpr std::size_t kCheckAcceptByte = 2;
inline constexpr std::uint8_t kCheckRejected = 0x00;
inline constexpr std::uint8_t kCheckReady = 0x11;
inline constexpr std::size_t kCheckVersionByte = 3;
inline constexpr std::uint8_t kCheckSameVersion = 0x44;
inline constexpr std::uint8_t kCheckOtherVersion = 0x33;
inline constexpr std::uint8_t kCheckOtherVersionAlt = 0x22;
inline constexpr std::size_t kAckCodeByte = 1;
inline constexpr std::uint8_t kAckAccepted = 0x01;
inline constexpr std::uint8_t kAckFailed = 0x03;
// Any other code asks for the same block again.
inline constexpr std::size_t kAckSequenceByte = 2;

// The four header fields the image check forwards, each as it goes on the wire.
struct ImageCheckFields {
  std::array<std::uint8_t, kHeaderFieldSize> HeaderField1{};
  std::array<std::uint8_t, kHeaderFieldSize> HeaderField2{};
  std::array<std::uint8_t, kHeaderFieldSize> ImageKind{};
  std::array<std::uint8_t, kHeaderFieldSize> ImageVersion{};
};

// Each builder sets only its own bytes; every other byte keeps what an earlier request left.
void BuildDeviceInfoRequest(ReportView output);
void BuildImageCheckRequest(ReportView output, const ImageCheckFields& fields);
void BuildUpgradeStartRequest(ReportView output);
void BuildExitRequest(ReportView output);
// Fills a whole 1024-byte block record (header words, data, checksum). `data` is the block's
// 1008 bytes; bytes 12..15 are left as they are (never written, so zero in a fresh record).
void BuildDataBlockReport(ReportView block, std::uint32_t payloadSize,
                          std::span<const std::uint8_t> data);

// Marker values written into the input buffer before a request, so that a stale report cannot
// pass for the answer.
struct InputMarker {
  std::size_t first;
  std::size_t last;
  std::uint8_t value;
};
inline constexpr InputMarker kDeviceInfoMarker{0, 49, kFillByte};
inline constexpr InputMarker kImageCheckMarker{0, 254, 0x00};
inline constexpr InputMarker kUpgradeStartMarker{0, 9, kFillByte};
inline constexpr InputMarker kFirstBlockMarker{0, 4, kFillByte};
inline constexpr InputMarker kEveryBlockMarker{kAckCodeByte, kAckCodeByte, 0x00};
inline constexpr InputMarker kExitMarker{0, 254, 0x00};
void ApplyMarker(ReportView input, const InputMarker& marker);

// Replies.
enum class UpgradeMode { Firmware, Audio };
struct DeviceInfoReply {
  std::string SerialNumber;
  std::string SoftwareVersion;
  std::string BootloaderVersion;
  UpgradeMode Mode = UpgradeMode::Firmware;
};
bool IsDeviceInfoReply(const ReportView& input);
DeviceInfoReply ReadDeviceInfoReply(const ReportView& input);

// Any reply but the device information reply: the check, start and block waits pass over that
// one, which a nested scan's or another program's identification may bring into them, and take
// every other report ID.
bool IsStatusReply(const ReportView& input);
// The answer to an image check or a start request.
bool HasAnswered(const ReportView& input);

enum class CheckVerdict { Rejected, SameVersion, OtherVersion, NoVerdict };
CheckVerdict ReadCheckVerdict(const ReportView& input);
bool IsReadyToInstall(const ReportView& input);

enum class BlockAck { Accepted, Failed, SendAgain };
// The acknowledgement of the data report numbered `sequence`, whatever its code.
bool IsBlockAck(const ReportView& input, std::uint8_t sequence);
BlockAck ReadBlockAck(const ReportView& input);
// A failure code from the device, whatever its sequence number.
bool IsUploadFailure(const ReportView& input);

// The acknowledgement sequence runs 0..255 and starts again at 0.
constexpr std::uint8_t NextSequence(std::uint8_t sequence) {
  return static_cast<std::uint8_t>(sequence + 1);
}

// A fixed-width text field: it ends at its last byte or at an earlier zero byte.
std::string ReadTextField(const ReportView& report, std::size_t offset, std::size_t width);

}  // namespace kr55le
