// Arbitrary bytes as what QEMU's usb-redir sends the USB device: the device must answer or end
// with a reason, never crash, and leave once the connection has closed. The first byte chooses
// the device: with or without its OUT endpoint, and whether it leaves at block 0.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

#include "sim/usb/redir_device.h"

namespace {

constexpr std::uint8_t kWithoutOutEndpoint = 0x01;
constexpr std::uint8_t kDisconnectAtFirstBlock = 0x02;
// Each pass reads what the socket holds; the input is far less than a few passes take.
constexpr int kMaxPasses = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  kr55le::sim::SimDeviceConfig config;
  config.outEndpoint = (data[0] & kWithoutOutEndpoint) == 0;
  if ((data[0] & kDisconnectAtFirstBlock) != 0) config.disconnectAtBlock = 0;
  kr55le::usb::RedirDevice device(config, kr55le::usb::IdentityOf(config));
  int pair[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 0;
  const int peer = pair[0];
  device.Connect(pair[1]);
  const std::size_t length = size - 1;
  if (::send(peer, data + 1, length, 0) != static_cast<ssize_t>(length)) __builtin_trap();
  ::shutdown(peer, SHUT_WR);
  const auto later = kr55le::usb::Clock::now() + std::chrono::hours(1);
  for (int pass = 0; pass < kMaxPasses && device.Connected(); ++pass) {
    device.HandleReadable({});
    device.SendDue(later);
  }
  // The peer's end of the stream closes the connection, whatever came before it.
  if (device.Connected()) __builtin_trap();
  ::close(peer);
  return 0;
}
