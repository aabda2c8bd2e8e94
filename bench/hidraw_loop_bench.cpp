// The floor under kr55le-flash on the real hidraw path: one thread, no report link, no dialog.
// It has the image checked, starts the upgrade and sends every block of the image, each time
// writing the report, polling the node and reading the reply. Run it as kr55le-flash would be:
// hidraw_loop_bench NODE IMAGE; it exits 0 once the device accepted the last block.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "device/protocol.h"
#include "device/report_view.h"
#include "image/image_header.h"
#include "image/image_payload.h"

namespace kr55le {
namespace {

constexpr int kReplyPatienceMilliseconds = 5000;
constexpr std::size_t kInputCapacity = kReportSize;

struct Node {
  int descriptor = -1;
  std::array<std::uint8_t, kReportSize> output{};
  std::array<std::uint8_t, kInputCapacity> input{};

  bool Send() {
    return ::write(descriptor, output.data(), output.size()) == static_cast<ssize_t>(output.size());
  }

  // Reads replies until one has `value` at `index`; false when none comes in time.
  bool AwaitByte(std::size_t index, std::uint8_t value) {
    for (;;) {
      pollfd watch{descriptor, POLLIN, 0};
      if (::poll(&watch, 1, kReplyPatienceMilliseconds) <= 0 || (watch.revents & POLLIN) == 0) {
        return false;
      }
      const ssize_t got = ::read(descriptor, input.data(), input.size());
      if (got > static_cast<ssize_t>(index) && input[index] == value) return true;
      if (got < 0) return false;
    }
  }
};

bool Upgrade(Node& node, const std::vector<std::uint8_t>& file) {
  ImageHeaderCopies header;
  FillHeaderCopies(std::span(file).first(kImageHeaderSize), header);
  ImageCheckFields fields{header.HeaderField1, header.HeaderField2, header.ImageKind, {}};
  std::copy_n(header.ImageVersion.begin(), kHeaderFieldSize, fields.ImageVersion.begin());
  ReportView output{std::span(node.output)};
  BuildImageCheckRequest(output, fields);
  if (!node.Send() || !node.AwaitByte(kAnsweredByte, kAnswered)) return false;
  BuildUpgradeStartRequest(output);
  if (!node.Send() || !node.AwaitByte(kAnsweredByte, kAnswered)) return false;

  const auto payloadSize = static_cast<std::uint32_t>(file.size() - kImageHeaderSize);
  std::vector<std::uint8_t> payload(file.begin() + kImageHeaderSize, file.end());
  const std::uint32_t blocks = payloadSize / kBlockDataSize + 1;
  payload.resize(std::size_t{blocks} * kBlockDataSize, kFillerByte);
  std::uint8_t sequence = 0;
  for (std::uint32_t block = 0; block < blocks; ++block) {
    BuildDataBlockReport(
        output, payloadSize,
        std::span(payload).subspan(std::size_t{block} * kBlockDataSize, kBlockDataSize));
    if (!node.Send() || !node.AwaitByte(kAckSequenceByte, sequence)) return false;
    if (node.input[kAckCodeByte] != kAckAccepted) return false;
    sequence = NextSequence(sequence);
  }
  return true;
}

}  // namespace
}  // namespace kr55le

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: hidraw_loop_bench NODE IMAGE\n", stderr);
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  const std::vector<std::uint8_t> file(std::istreambuf_iterator<char>(in), {});
  if (file.size() <= kr55le::kImageHeaderSize ||
      file.size() - kr55le::kImageHeaderSize > kr55le::kMaxPayloadSize) {
    std::fprintf(stderr, "%s: not an image of 1 to %u payload bytes\n", argv[2],
                 kr55le::kMaxPayloadSize);
    return 1;
  }
  kr55le::Node node;
  node.descriptor = ::open(argv[1], O_RDWR | O_CLOEXEC);
  if (node.descriptor < 0) {
    std::perror(argv[1]);
    return 1;
  }
  const bool done = kr55le::Upgrade(node, file);
  ::close(node.descriptor);
  if (!done) std::fprintf(stderr, "%s: the device stopped answering\n", argv[1]);
  return done ? 0 : 1;
}
