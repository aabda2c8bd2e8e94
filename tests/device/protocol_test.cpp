#include "device/protocol.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <vector>

#include "device/block_crc.h"

namespace kr55le {
namespace {

constexpr std::uint8_t kUntouched = 0xA5;

using Report = std::array<std::uint8_t, kReportSize>;

Report Filled(std::uint8_t value) {
  Report report;
  report.fill(value);
  return report;
}

ImageCheckFields SampleFields() {
  ImageCheckFields fields;
  for (std::uint8_t i = 0; i < 8; ++i) {
    fields.HeaderField1[i] = static_cast<std::uint8_t>(0x10 + i);
    fields.HeaderField2[i] = static_cast<std::uint8_t>(0x20 + i);
    fields.ImageKind[i] = static_cast<std::uint8_t>("Pardo\0\0\0"[i]);
    fields.ImageVersion[i] = static_cast<std::uint8_t>("01.02.03"[i]);
  }
  return fields;
}

struct BuilderCase {
  const char* name;
  std::function<void(ReportView)> build;
  std::map<std::size_t, std::uint8_t> expected;  // every byte the request sets
};

std::map<std::size_t, std::uint8_t> Range(std::size_t first, std::size_t last, std::uint8_t v) {
  std::map<std::size_t, std::uint8_t> bytes;
  for (std::size_t i = first; i <= last; ++i) bytes[i] = v;
  return bytes;
}

std::map<std::size_t, std::uint8_t> CheckRequestBytes() {
  auto bytes = Range(2, 3, 0xFF);
  bytes[0] = 0x01;
  bytes[1] = 0x03;
  const auto fields = SampleFields();
  for (std::size_t i = 0; i < 8; ++i) {
    bytes[4 + i] = fields.HeaderField1[i];
    bytes[12 + i] = fields.HeaderField2[i];
    bytes[20 + i] = fields.ImageKind[i];
    bytes[28 + i] = fields.ImageVersion[i];
  }
  return bytes;
}

TEST(Requests, SetExactlyTheirOwnBytes) {
  auto info = Range(2, 49, 0xFF);
  info[0] = 0x01;
  info[1] = 0x01;
  auto start = Range(2, 9, 0xFF);
  start[0] = 0x01;
  start[1] = 0x02;
  auto exit = Range(2, 3, 0xFF);
  exit[0] = 0x01;
  exit[1] = 0x04;
  const BuilderCase cases[] = {
      {"device information", [](ReportView out) { BuildDeviceInfoRequest(out); }, info},
      {"image check", [](ReportView out) { BuildImageCheckRequest(out, SampleFields()); },
       CheckRequestBytes()},
      {"upgrade start", [](ReportView out) { BuildUpgradeStartRequest(out); }, start},
      {"exit", [](ReportView out) { BuildExitRequest(out); }, exit},
  };
  for (const auto& c : cases) {
    Report report = Filled(kUntouched);
    c.build(ReportView(std::span(report)));
    for (std::size_t i = 0; i < report.size(); ++i) {
      const auto it = c.expected.find(i);
      EXPECT_EQ(report[i], it == c.expected.end() ? kUntouched : it->second)
          << c.name << " byte " << i;
    }
  }
}

TEST(Requests, StartRequestCarriesTheCheckRequestsTail) {
  std::array<SharedByte, kReportSize> shared{};
  ReportView output{std::span(shared)};
  BuildImageCheckRequest(output, SampleFields());
  BuildUpgradeStartRequest(output);
  const auto check = CheckRequestBytes();
  for (std::size_t i = 10; i <= 35; ++i) EXPECT_EQ(output.Get(i), check.at(i)) << i;
  EXPECT_EQ(output.Get(1), kCommandUpgradeStart);
  EXPECT_EQ(output.Get(36), 0);
}

TEST(Requests, LaterRequestsCarryTheTailOfTheLastDataBlock) {
  Report block{};
  std::vector<std::uint8_t> data(kBlockDataSize, 0x3C);
  BuildDataBlockReport(ReportView(std::span(block)), 5000, data);
  BuildExitRequest(ReportView(std::span(block)));
  EXPECT_EQ(block[0], 0x01);
  EXPECT_EQ(block[1], 0x04);
  EXPECT_EQ(block[4], 5000 & 0xFF);
  EXPECT_EQ(block[1023], 0x3C);
}

TEST(DataBlockReport, LaysOutTagSizeChecksumAndData) {
  Report block{};
  std::vector<std::uint8_t> data(kBlockDataSize);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  BuildDataBlockReport(ReportView(std::span(block)), 0x00123456, data);

  EXPECT_EQ((std::array{block[0], block[1], block[2], block[3]}),
            (std::array<std::uint8_t, 4>{0x02, 0x01, 0x00, 0x00}));
  EXPECT_EQ((std::array{block[4], block[5], block[6], block[7]}),
            (std::array<std::uint8_t, 4>{0x56, 0x34, 0x12, 0x00}));
  const std::uint32_t crc = ComputeBlockCrc(kBlockCrcInitial, std::span(block).subspan(16));
  EXPECT_EQ(block[8] | block[9] << 8 | block[10] << 16 | std::uint32_t{block[11]} << 24, crc);
  EXPECT_EQ((std::array{block[12], block[13], block[14], block[15]}),
            (std::array<std::uint8_t, 4>{}));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), block.begin() + 16));
}

TEST(DataBlockReport, FillerBlockHasTheWorkedChecksum) {
  Report block{};
  BuildDataBlockReport(ReportView(std::span(block)), 2016,
                       std::vector<std::uint8_t>(kBlockDataSize, 0x55));
  EXPECT_EQ(block[8] | block[9] << 8 | block[10] << 16 | std::uint32_t{block[11]} << 24,
            0xE64A0E7Fu);
}

TEST(Markers, CoverTheBytesEachWaitTests) {
  struct Case {
    InputMarker marker;
    std::size_t first, last;
    std::uint8_t value;
  };
  const Case cases[] = {{kDeviceInfoMarker, 0, 49, 0xFF},  {kImageCheckMarker, 0, 254, 0x00},
                        {kUpgradeStartMarker, 0, 9, 0xFF}, {kFirstBlockMarker, 0, 4, 0xFF},
                        {kEveryBlockMarker, 1, 1, 0x00},   {kExitMarker, 0, 254, 0x00}};
  for (const auto& c : cases) {
    Report input = Filled(kUntouched);
    ApplyMarker(ReportView(std::span(input)), c.marker);
    for (std::size_t i = 0; i < input.size(); ++i) {
      const bool inside = i >= c.first && i <= c.last;
      EXPECT_EQ(input[i], inside ? c.value : kUntouched) << i;
    }
  }
}

Report DeviceInfo(const char* serial, const char* software, const char* boot, std::uint8_t mode) {
  Report reply = Filled(0xEE);
  reply[0] = kDeviceInfoReplyId;
  std::copy_n(serial, 10, reply.begin() + 1);
  std::copy_n(software, 8, reply.begin() + 11);
  std::copy_n(boot, 8, reply.begin() + 19);
  reply[27] = mode;
  return reply;
}

TEST(DeviceInfoReply, ReadsFieldsUpToTheirEndOrAZeroByte) {
  Report reply = DeviceInfo("KR5\0LE0001", "01.02.03", "BL.09.99", 0x05);
  ReportView view{std::span(reply)};
  ASSERT_TRUE(IsDeviceInfoReply(view));
  const auto info = ReadDeviceInfoReply(view);
  EXPECT_EQ(info.SerialNumber, "KR5");
  EXPECT_EQ(info.SoftwareVersion, "01.02.03");
  EXPECT_EQ(info.BootloaderVersion, "BL.09.99");
  EXPECT_EQ(info.Mode, UpgradeMode::Audio);

  reply[0] = 0x07;
  EXPECT_FALSE(IsDeviceInfoReply(view));
}

TEST(DeviceInfoReply, EveryModeButFiveIsFirmware) {
  for (std::uint8_t mode : {0x00, 0x04, 0x06, 0xFF}) {
    Report reply = DeviceInfo("0123456789", "AAAAAAAA", "BBBBBBBB", mode);
    EXPECT_EQ(ReadDeviceInfoReply(ReportView(std::span(reply))).Mode, UpgradeMode::Firmware)
        << int{mode};
  }
  Report full = DeviceInfo("0123456789", "AAAAAAAA", "BBBBBBBB", 0x00);
  EXPECT_EQ(ReadDeviceInfoReply(ReportView(std::span(full))).SerialNumber, "0123456789");
}

Report Reply(std::uint8_t byte1, std::uint8_t byte2, std::uint8_t byte3) {
  Report reply{};
  reply[1] = byte1;
  reply[2] = byte2;
  reply[3] = byte3;
  return reply;
}

TEST(CheckReply, VerdictFollowsBytesTwoAndThree) {
  struct Case {
    std::uint8_t byte2, byte3;
    CheckVerdict verdict;
  };
  const Case cases[] = {
      {0x00, 0x44, CheckVerdict::Rejected},     {0x00, 0x33, CheckVerdict::Rejected},
      {0x11, 0x44, CheckVerdict::SameVersion},  {0x01, 0x44, CheckVerdict::SameVersion},
      {0x11, 0x33, CheckVerdict::OtherVersion}, {0x11, 0x22, CheckVerdict::OtherVersion},
      {0x11, 0x00, CheckVerdict::NoVerdict},    {0x11, 0x45, CheckVerdict::NoVerdict},
  };
  for (const auto& c : cases) {
    Report reply = Reply(0x01, c.byte2, c.byte3);
    EXPECT_EQ(ReadCheckVerdict(ReportView(std::span(reply))), c.verdict)
        << int{c.byte2} << "/" << int{c.byte3};
  }
}

TEST(CheckReply, AnsweredOnlyWhenByteOneIsOne) {
  for (int byte1 = 0; byte1 < 256; ++byte1) {
    Report reply = Reply(static_cast<std::uint8_t>(byte1), 0, 0);
    EXPECT_EQ(HasAnswered(ReportView(std::span(reply))), byte1 == 1) << byte1;
  }
  Report ready = Reply(1, 0x11, 0);
  EXPECT_TRUE(IsReadyToInstall(ReportView(std::span(ready))));
}

TEST(BlockAcknowledgement, CodeAndSequence) {
  struct Case {
    std::uint8_t code;
    BlockAck ack;
  };
  const Case cases[] = {{0x01, BlockAck::Accepted},
                        {0x03, BlockAck::Failed},
                        {0x02, BlockAck::SendAgain},
                        {0x00, BlockAck::SendAgain},
                        {0xFF, BlockAck::SendAgain}};
  for (const auto& c : cases) {
    Report reply = Reply(c.code, 0x9A, 0);
    ReportView view{std::span(reply)};
    EXPECT_EQ(ReadBlockAck(view), c.ack) << int{c.code};
    EXPECT_EQ(ReadAckSequence(view), 0x9A);
  }
}

TEST(BlockAcknowledgement, The257thBlockExpectsSequenceZero) {
  std::uint8_t sequence = 0;
  for (int sent = 1; sent < 257; ++sent) sequence = NextSequence(sequence);
  EXPECT_EQ(sequence, 0);
  EXPECT_EQ(NextSequence(255), 0);
  EXPECT_EQ(NextSequence(41), 42);
}

}  // namespace
}  // namespace kr55le
