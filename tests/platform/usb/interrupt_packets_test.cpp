// Reports split into and rebuilt from 64-byte interrupt packets, at the packets' edges.
#include "platform/usb/interrupt_packets.h"

#include <gtest/gtest.h>

#include <numeric>

namespace kr55le::usb {
namespace {

std::vector<std::uint8_t> Counting(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(InterruptPackets, AReportGoesOutAsFullPacketsThenTheRest) {
  const struct {
    std::size_t length;
    std::vector<std::size_t> packets;
  } cases[] = {{1, {1}},
               {63, {63}},
               {64, {64}},
               {65, {64, 1}},
               {1024, std::vector<std::size_t>(16, 64)},
               {1025, {64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 64, 1}}};
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> report = Counting(c.length);
    std::vector<std::size_t> sizes;
    std::vector<std::uint8_t> joined;
    for (const auto packet : SplitIntoPackets(report)) {
      sizes.push_back(packet.size());
      joined.insert(joined.end(), packet.begin(), packet.end());
    }
    EXPECT_EQ(sizes, c.packets) << c.length;
    EXPECT_EQ(joined, report) << c.length;
  }
}

// Each packet's outcome: "" nothing yet, "R<n>" a report of n bytes, "E" refused.
TEST(InterruptPackets, OutputPacketsEndAReportAtItsLengthOrAtAShortPacket) {
  const struct {
    const char* name;
    std::size_t reportLength;
    std::vector<std::size_t> packets;
    std::vector<std::string> outcomes;
  } cases[] = {
      {"sixteen full packets",
       1024,
       std::vector<std::size_t>(16, 64),
       {"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "R1024"}},
      {"a length off the edge", 100, {64, 36}, {"", "R100"}},
      {"a short packet", 1024, {64, 10, 64}, {"", "R74", ""}},
      {"a zero-length packet", 1024, {64, 0}, {"", "R64"}},
      {"an empty transfer", 1024, {0, 64}, {"", ""}},
      {"the next report", 128, {64, 64, 64, 64}, {"", "R128", "", "R128"}},
      {"past the report", 100, {64, 64, 36}, {"", "E", "R36"}},
      {"over the packet size", 1024, {65}, {"E"}},
  };
  for (const auto& c : cases) {
    ReportAssembler assembler(c.reportLength);
    std::vector<std::string> outcomes;
    for (const std::size_t size : c.packets) {
      const ReportAssembler::Added added = assembler.Add(Counting(size));
      if (!added.error.empty()) {
        outcomes.push_back("E");
      } else if (added.report) {
        outcomes.push_back("R" + std::to_string(added.report->size()));
      } else {
        outcomes.push_back("");
      }
    }
    EXPECT_EQ(outcomes, c.outcomes) << c.name;
  }
}

TEST(InterruptPackets, AReportIsRebuiltByteForByte) {
  const std::vector<std::uint8_t> report = Counting(1000);
  ReportAssembler assembler(report.size());
  std::optional<std::vector<std::uint8_t>> rebuilt;
  for (const auto packet : SplitIntoPackets(report)) rebuilt = assembler.Add(packet).report;
  EXPECT_EQ(rebuilt, report);
}

}  // namespace
}  // namespace kr55le::usb
