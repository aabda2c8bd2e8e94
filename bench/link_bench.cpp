// Time per block cycle (request, acknowledgement) through the report link to the simulated
// device with no device latency: once with plain sleeping passes, once with the early wake.
#include <chrono>
#include <cstdio>
#include <vector>

#include "device/protocol.h"
#include "device/report_link.h"
#include "image/image_payload.h"
#include "sim/sim_hid_services.h"

namespace kr55le {
namespace {

constexpr std::uint32_t kPayloadSize = kMaxPayloadSize;  // a 2 MiB image
constexpr std::uint32_t kEarlyCycles = kMaxBlockCount;   // all of its 2,081 blocks
constexpr std::uint32_t kPlainCycles = 100;
constexpr auto kReplyPatience = std::chrono::seconds(5);

bool AwaitByte(ReportLink& link, std::size_t index, std::uint8_t value) {
  const auto deadline = std::chrono::steady_clock::now() + kReplyPatience;
  while (link.InputReport[index] != value) {
    if (std::chrono::steady_clock::now() > deadline) return false;
  }
  return true;
}

// Milliseconds per block cycle, or a negative value when the device stopped answering.
double MillisecondsPerBlock(LinkTiming timing, std::uint32_t cycles) {
  sim::SimHidServices bus;
  bus.Plug();
  hid::HidResult opened;
  auto device = bus.Open(bus.Enumerate().front().path, opened);
  hid::HidCaps caps;
  device->GetCaps(caps);

  ReportLink link(timing);
  link.SetCaps(caps);
  link.SetDevice(device);
  link.StartThreads([](LinkThread, int) {});

  ImageCheckFields fields;
  std::copy_n("Pardo", 5, fields.ImageKind.begin());
  std::copy_n("01.02.03", 8, fields.ImageVersion.begin());
  link.InputReport.Mark(kImageCheckMarker);
  BuildImageCheckRequest(link.BeginRequest(), fields);
  link.RaiseWritePending();
  if (!AwaitByte(link, kAnsweredByte, kAnswered)) return -1;
  link.InputReport.Mark(kUpgradeStartMarker);
  BuildUpgradeStartRequest(link.BeginRequest());
  link.RaiseWritePending();
  if (!AwaitByte(link, kAnsweredByte, kAnswered)) return -1;

  ImagePayload payload;
  payload.Stage(std::vector<std::uint8_t>(kPayloadSize, 0x5A));
  std::array<std::uint8_t, kReportSize> block{};
  link.InputReport.Mark(kFirstBlockMarker);
  std::uint8_t sequence = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::uint32_t n = 0; n < cycles; ++n) {
    BuildDataBlockReport(ReportView(std::span(block)), kPayloadSize, payload.Block(n));
    link.InputReport.Mark(kEveryBlockMarker);
    link.BeginRequest().CopyFrom(ReportView(std::span(block)));
    link.RaiseWritePending();
    if (!AwaitByte(link, kAckSequenceByte, sequence)) return -1;
    sequence = NextSequence(sequence);
  }
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  return elapsed.count() / cycles;
}

}  // namespace
}  // namespace kr55le

int main() {
  using kr55le::LinkTiming;
  const double plain = kr55le::MillisecondsPerBlock(LinkTiming{kr55le::kDefaultLinkPause, false},
                                                    kr55le::kPlainCycles);
  const double early = kr55le::MillisecondsPerBlock(LinkTiming{kr55le::kDefaultLinkPause, true},
                                                    kr55le::kEarlyCycles);
  if (plain < 0 || early < 0) {
    std::fprintf(stderr, "the simulated device stopped answering\n");
    return 1;
  }
  std::printf("plain-ms-per-block: %.4f\n", plain);
  std::printf("early-ms-per-block: %.4f\n", early);
  std::printf("ratio: %.1f\n", plain / early);
  return 0;
}
