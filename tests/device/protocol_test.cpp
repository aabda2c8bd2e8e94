#include "device/protocol.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <random>
#include <vector>

#include "device/block_crc.h"
#include "device/report_view.h"
#include "hid/hid_services.h"

namespace kr55le {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;
using Report = std::array<std::uint8_t, kReportSize>;

Report Filled(std::uint8_t value) {
  Report report;
  report.fill(value);
  return report;
}

// Byte p of each field is p, so the check request's bytes 4..35 hold their own index.
ImageCheckFields IndexedFields() {
  ImageCheckFields fields;
  std::iota(fields.HeaderField1.begin(), fields.HeaderField1.end(), std::uint8_t{4});
  std::iota(fields.HeaderField2.begin(), fields.HeaderField2.end(), std::uint8_t{12});
  std::iota(fields.ImageKind.begin(), fields.ImageKind.end(), std::uint8_t{20});
  std::iota(fields.ImageVersion.begin(), fields.ImageVersion.end(), std::uint8_t{28});
  return fields;
}

struct Bytes {
  std::size_t first, last;
  int value;  // negative: each byte holds its own index
};

// Every byte of `report` is as `set` says, or kUntouched where nothing is said.
void ExpectOnly(const Report& report, std::vector<Bytes> set, const char* name) {
  for (std::size_t i = 0; i < report.size(); ++i) {
    int expected = kUntouched;
    for (const auto& b : set) {
      if (i >= b.first && i <= b.last) expected = b.value < 0 ? static_cast<int>(i) : b.value;
    }
    EXPECT_EQ(report[i], expected) << name << " byte " << i;
  }
}

TEST(Requests, SetExactlyTheirOwnBytes) {
  const struct {
    const char* name;
    void (*build)(ReportView);
    std::vector<Bytes> set;
  } cases[] = {
      {"device information", BuildDeviceInfoRequest, {{0, 1, 0x01}, {2, 49, 0xFF}}},
      {"image check",
       [](ReportView out) { BuildImageCheckRequest(out, IndexedFields()); },
       {{0, 0, 0x01}, {1, 1, 0x03}, {2, 3, 0xFF}, {4, 35, -1}}},
      {"upgrade start", BuildUpgradeStartRequest, {{0, 0, 0x01}, {1, 1, 0x02}, {2, 9, 0xFF}}},
      {"exit", BuildExitRequest, {{0, 0, 0x01}, {1, 1, 0x04}, {2, 3, 0xFF}}},
  };
  for (const auto& c : cases) {
    Report report = Filled(kUntouched);
    c.build(ReportView(std::span(report)));
    ExpectOnly(report, c.set, c.name);
  }
}

TEST(DataBlockReport, LaysOutTagSizeChecksumAndData) {
  Report block = Filled(0);
  std::vector<std::uint8_t> data(kBlockDataSize);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  BuildDataBlockReport(ReportView(std::span(block)), 0x00123456, data);
  const auto word = [&](std::size_t at) {
    return block[at] | block[at + 1] << 8 | block[at + 2] << 16 |
           std::uint32_t{block[at + 3]} << 24;
  };
  EXPECT_EQ(word(0), 0x00000102u);
  EXPECT_EQ(word(4), 0x00123456u);
  EXPECT_EQ(word(8), ComputeBlockCrc(kBlockCrcInitial, data));
  EXPECT_EQ(word(12), 0u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), block.begin() + 16));
}

TEST(Markers, CoverTheBytesEachWaitTests) {
  const std::pair<InputMarker, Bytes> cases[] = {
      {kDeviceInfoMarker, {0, 49, 0xFF}},  {kImageCheckMarker, {0, 254, 0x00}},
      {kUpgradeStartMarker, {0, 9, 0xFF}}, {kFirstBlockMarker, {0, 4, 0xFF}},
      {kEveryBlockMarker, {1, 1, 0x00}},   {kExitMarker, {0, 254, 0x00}}};
  for (const auto& [marker, bytes] : cases) {
    Report input = Filled(kUntouched);
    ApplyMarker(ReportView(std::span(input)), marker);
    ExpectOnly(input, {bytes}, "marker");
  }
}

TEST(DeviceInfoReply, ReadsFieldsUpToTheirEndOrAZeroByteAndOnlyModeFiveIsAudio) {
  for (std::uint8_t mode : {0x05, 0x00, 0x04, 0x06, 0xFF}) {
    const bool audio = mode == kModeAudio;
    Report reply = Filled(0xEE);
    reply[0] = kDeviceInfoReplyId;
    std::copy_n(audio ? "KR5\0LE0001" : "0123456789", 10, reply.begin() + 1);
    std::copy_n("01.02.03BL.09.99", 16, reply.begin() + 11);
    reply[27] = mode;
    ReportView view{std::span(reply)};
    ASSERT_TRUE(IsDeviceInfoReply(view));
    const auto info = ReadDeviceInfoReply(view);
    EXPECT_EQ(info.SerialNumber, audio ? "KR5" : "0123456789");
    EXPECT_EQ(info.SoftwareVersion, "01.02.03");
    EXPECT_EQ(info.BootloaderVersion, "BL.09.99");
    EXPECT_EQ(info.Mode, audio ? UpgradeMode::Audio : UpgradeMode::Firmware) << int{mode};
    reply[0] = 0x07;
    EXPECT_FALSE(IsDeviceInfoReply(view));
  }
}

// Status replies come under whatever input report ID the device declares.
constexpr std::uint8_t kStatusIds[] = {hid::kNoReportId, 0x01, 0x03, 0x42, 0xFF};

Report Reply(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3, std::uint8_t reportId) {
  return {reportId, byte1, byte2, byte3};
}

TEST(CheckReply, VerdictFollowsBytesTwoAndThree) {
  const struct {
    std::uint8_t byte2, byte3;
    CheckVerdict verdict;
  } cases[] = {
      {0x00, 0x44, CheckVerdict::Rejected},     {0x00, 0x33, CheckVerdict::Rejected},
      {0x11, 0x44, CheckVerdict::SameVersion},  {0x01, 0x44, CheckVerdict::SameVersion},
      {0x11, 0x33, CheckVerdict::OtherVersion}, {0x11, 0x22, CheckVerdict::OtherVersion},
      {0x11, 0x00, CheckVerdict::NoVerdict},    {0x11, 0x45, CheckVerdict::NoVerdict},
  };
  for (const auto& c : cases) {
    Report reply = Reply(0x01, c.byte2, c.byte3, 0x03);
    EXPECT_EQ(ReadCheckVerdict(ReportView(std::span(reply))), c.verdict)
        << int{c.byte2} << "/" << int{c.byte3};
  }
  Report ready = Reply(1, 0x11, 0, 0x03);
  EXPECT_TRUE(IsReadyToInstall(ReportView(std::span(ready))));
}

TEST(CheckReply, AnyReportButTheIdentificationWithByteOneSetIsTheAnswer) {
  for (const std::uint8_t id : kStatusIds) {
    for (int byte1 = 0; byte1 < 256; ++byte1) {
      Report reply = Reply(static_cast<std::uint8_t>(byte1), 0x11, 0, id);
      EXPECT_EQ(HasAnswered(ReportView(std::span(reply))), byte1 == 1) << int{id} << "/" << byte1;
    }
  }
  // The identification's byte 1 is its serial number's first byte, never an answer.
  Report identity = Reply(kAnswered, 0x11, 0x33, kDeviceInfoReplyId);
  EXPECT_FALSE(HasAnswered(ReportView(std::span(identity))));
}

TEST(BlockAcknowledgement, AnyReportButTheIdentificationWithTheNumberAcknowledges) {
  constexpr std::uint8_t kSequence = 0x52;
  const struct {
    std::uint8_t code, sequence;
    bool ack;
    BlockAck read;
  } cases[] = {
      {kAckAccepted, kSequence, true, BlockAck::Accepted},
      {kAckFailed, kSequence, true, BlockAck::Failed},
      {0x02, kSequence, true, BlockAck::SendAgain},
      {0x00, kSequence, true, BlockAck::SendAgain},
      {0x4B, kSequence, true, BlockAck::SendAgain},
      {0xFF, kSequence, true, BlockAck::SendAgain},
      {kAckAccepted, kSequence + 1, false, BlockAck::Accepted},
      {kAckFailed, kSequence - 1, false, BlockAck::Failed},
  };
  for (const std::uint8_t id : kStatusIds) {
    for (const auto& c : cases) {
      Report reply = Reply(c.code, c.sequence, 0, id);
      const ReportView view{std::span(reply)};
      EXPECT_EQ(IsBlockAck(view, kSequence), c.ack) << int{id} << "/" << int{c.code};
      EXPECT_EQ(ReadBlockAck(view), c.read) << int{c.code};
      EXPECT_EQ(IsUploadFailure(view), c.code == kAckFailed) << int{id};
    }
  }
  Report identity = Reply(kAckFailed, kSequence, 0, kDeviceInfoReplyId);
  EXPECT_FALSE(IsBlockAck(ReportView(std::span(identity)), kSequence));
  EXPECT_FALSE(IsUploadFailure(ReportView(std::span(identity))));
}

TEST(BlockCrc, GivesTheWorkedValues) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> data;
    std::uint32_t expected;
  } cases[] = {
      {"abc and a zero byte", {0x61, 0x62, 0x63, 0x00}, 0xE1208697},
      {"bytes past 252 words ignored", std::vector<std::uint8_t>(1200, 0x55), 0xE64A0E7F},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, c.data), c.expected) << c.name;
  }
}

TEST(BlockCrc, IsMpeg2OverEachWordWithItsBytesReversed) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> block(1008);
  for (auto& byte : block) byte = static_cast<std::uint8_t>(random());
  // Bitwise CRC-32/MPEG-2, independent of the nibble table, over each word reversed.
  std::uint32_t crc = kBlockCrcInitial;
  for (std::size_t i = 0; i < block.size(); ++i) {
    crc ^= std::uint32_t{block[i - i % 4 + 3 - i % 4]} << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  EXPECT_EQ(ComputeBlockCrc(kBlockCrcInitial, block), crc);
}

TEST(ReportView, NeverReachesPastItsBuffer) {
  std::array<std::uint8_t, 8> storage{};
  ReportView view{std::span(storage).first(6)};
  view.Fill(4, 100, 0xEE);
  view.Set(6, 0x11);
  view.Write(5, std::array<std::uint8_t, 4>{1, 2, 3, 4});
  view.Write(SIZE_MAX - 1, std::array<std::uint8_t, 4>{1, 2, 3, 4});
  EXPECT_EQ(storage, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 0xEE, 1, 0, 0}));
  EXPECT_EQ(view.Get(6), 0);
  std::array<std::uint8_t, 3> out{9, 9, 9};
  view.Read(5, out);
  EXPECT_EQ(out, (std::array<std::uint8_t, 3>{1, 0, 0}));
}

TEST(ReportView, SharedAndPlainBuffersBehaveAlike) {
  std::array<std::uint8_t, 16> plain{};
  std::array<SharedByte, 16> shared{};
  for (ReportView view : {ReportView(std::span(plain)), ReportView(std::span(shared))}) {
    view.Fill(2, 5, 0x7F);
    view.Set(9, 0x42);
    EXPECT_EQ(view.Get(1), 0);
    EXPECT_EQ(view.Get(5), 0x7F);
    EXPECT_EQ(view.Get(9), 0x42);
  }
  ReportView(std::span(plain)).CopyFrom(ReportView(std::span(shared)));
  EXPECT_EQ(plain[3], 0x7F);
}

}  // namespace
}  // namespace kr55le
