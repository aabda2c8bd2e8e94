// The device on a usbredir connection, the test playing QEMU's side with its own parser over a
// socket pair: what the device presents, how reports cross the endpoints, and how it ends.
#include "platform/usb/redir_device.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <usbredirparser.h>

#include <functional>

#include "device/protocol.h"
#include "tests/platform/sim/sim_test_requests.h"

namespace kr55le::usb {
namespace {

struct Message {
  int type = 0;
  std::uint8_t endpoint = 0;
  std::uint8_t status = 0;
  std::vector<std::uint8_t> data;
};

// QEMU's end of the connection: a guest-side parser that records what it receives.
class Guest {
 public:
  explicit Guest(sim::SimDeviceConfig config = {})
      : device(config, IdentityOf(config)), parser(usbredirparser_create()) {
    int pair[2] = {-1, -1};
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    peer = pair[0];
    EXPECT_EQ(device.Connect(pair[1]), "");
    parser->priv = this;
    parser->log_func = [](void*, int, const char*) {};
    parser->read_func = [](void* priv, std::uint8_t* data, int count) {
      return std::max(0, static_cast<int>(::recv(Of(priv).peer, data, count, MSG_DONTWAIT)));
    };
    parser->write_func = [](void* priv, std::uint8_t* data, int count) {
      return static_cast<int>(::send(Of(priv).peer, data, count, MSG_NOSIGNAL));
    };
    parser->hello_func = [](void* priv, usb_redir_hello_header*) { Of(priv).Add(usb_redir_hello); };
    parser->interface_info_func = [](void* priv, usb_redir_interface_info_header* header) {
      Of(priv).interfaces = *header;
      Of(priv).Add(usb_redir_interface_info);
    };
    parser->ep_info_func = [](void* priv, usb_redir_ep_info_header* header) {
      Of(priv).endpoints = *header;
      Of(priv).Add(usb_redir_ep_info);
    };
    parser->device_connect_func = [](void* priv, usb_redir_device_connect_header* header) {
      Of(priv).connected = *header;
      Of(priv).Add(usb_redir_device_connect);
    };
    parser->device_disconnect_func = [](void* priv) { Of(priv).Add(usb_redir_device_disconnect); };
    parser->interrupt_receiving_status_func =
        [](void* priv, std::uint64_t, usb_redir_interrupt_receiving_status_header* header) {
          Of(priv).Add(usb_redir_interrupt_receiving_status, header->endpoint, header->status);
        };
    parser->control_packet_func = [](void* priv, std::uint64_t,
                                     usb_redir_control_packet_header* header, std::uint8_t* data,
                                     int length) {
      Of(priv).Add(usb_redir_control_packet, header->endpoint, header->status, data, length);
    };
    parser->interrupt_packet_func = [](void* priv, std::uint64_t,
                                       usb_redir_interrupt_packet_header* header,
                                       std::uint8_t* data, int length) {
      Of(priv).Add(usb_redir_interrupt_packet, header->endpoint, header->status, data, length);
    };
    std::uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
    for (const int cap : {usb_redir_cap_connect_device_version, usb_redir_cap_filter,
                          usb_redir_cap_ep_info_max_packet_size, usb_redir_cap_64bits_ids}) {
      usbredirparser_caps_set_cap(caps, cap);
    }
    usbredirparser_init(parser, "test guest", caps, USB_REDIR_CAPS_SIZE, 0);
    Pump();
  }
  ~Guest() {
    usbredirparser_destroy(parser);
    ::close(peer);
  }

  // Moves everything either side has to say; the device's failures are kept in `errors`.
  void Pump() {
    for (int round = 0; round < kRounds; ++round) {
      usbredirparser_do_write(parser);
      if (std::string error = device.HandleReadable({}); !error.empty()) errors.push_back(error);
      if (std::string error = device.SendDue({}); !error.empty()) errors.push_back(error);
      usbredirparser_do_read(parser);
    }
  }
  void SendInterrupt(std::uint8_t endpoint, std::vector<std::uint8_t> packet) {
    usb_redir_interrupt_packet_header header{endpoint, 0, std::uint16_t(packet.size())};
    usbredirparser_send_interrupt_packet(parser, nextId_++, &header, packet.data(),
                                         int(packet.size()));
  }
  void SendSetReport(std::vector<std::uint8_t> report) {
    SendControl(
        {0x00, 0x09, 0x21, 0, std::uint16_t(0x0200 | report[0]), 0, std::uint16_t(report.size())},
        report);
  }
  void SendControl(usb_redir_control_packet_header header, std::vector<std::uint8_t> data = {}) {
    usbredirparser_send_control_packet(parser, nextId_++, &header, data.data(), int(data.size()));
    Pump();
  }
  // An output report as usbhid sends it: interrupt OUT packets, or a SET_REPORT without the
  // endpoint. The statuses the device answered it with.
  std::vector<std::uint8_t> SendOutput(const std::vector<std::uint8_t>& report, bool outEndpoint) {
    received.clear();
    if (!outEndpoint) {
      SendSetReport(report);
      return Statuses(usb_redir_control_packet);
    }
    for (std::size_t offset = 0; offset < report.size(); offset += kMaxPacketSize) {
      SendInterrupt(kInterruptOutEndpoint,
                    {report.begin() + offset, report.begin() + offset + kMaxPacketSize});
    }
    Pump();
    return Statuses(usb_redir_interrupt_packet);
  }
  std::vector<std::uint8_t> Statuses(int type) const {
    std::vector<std::uint8_t> statuses;
    for (const Message& message : Of(type)) statuses.push_back(message.status);
    return statuses;
  }
  void StartInterruptIn() {
    usb_redir_start_interrupt_receiving_header header{kInterruptInEndpoint};
    usbredirparser_send_start_interrupt_receiving(parser, nextId_++, &header);
    Pump();
  }
  std::vector<int> Types() const {
    std::vector<int> types;
    for (const Message& message : received) types.push_back(message.type);
    return types;
  }
  std::vector<Message> Of(int type) const {
    std::vector<Message> found;
    std::copy_if(received.begin(), received.end(), std::back_inserter(found),
                 [&](const Message& message) { return message.type == type; });
    return found;
  }

  RedirDevice device;
  usbredirparser* parser;
  std::vector<Message> received;
  std::vector<std::string> errors;
  usb_redir_interface_info_header interfaces{};
  usb_redir_ep_info_header endpoints{};
  usb_redir_device_connect_header connected{};
  int peer = -1;  // the test's end of the socket pair

 private:
  static constexpr int kRounds = 4;
  static Guest& Of(void* priv) { return *static_cast<Guest*>(priv); }
  void Add(int type, std::uint8_t endpoint = 0, std::uint8_t status = 0,
           std::uint8_t* data = nullptr, int length = 0) {
    received.push_back({type, endpoint, status, std::vector<std::uint8_t>(data, data + length)});
    if (data) usbredirparser_free_packet_data(parser, data);
  }

  std::uint64_t nextId_ = 1;
};

std::vector<std::uint8_t> DeviceInfoRequest() {
  std::vector<std::uint8_t> report = sim::testing::NewOutput();
  BuildDeviceInfoRequest(ReportView(std::span(report)));
  return report;
}

sim::SimDeviceConfig WithoutOutEndpoint() {
  sim::SimDeviceConfig config;
  config.outEndpoint = false;
  return config;
}

TEST(RedirDevice, PresentsItsInterfaceAndEndpointsBeforeConnecting) {
  for (const bool outEndpoint : {true, false}) {
    Guest guest(outEndpoint ? sim::SimDeviceConfig{} : WithoutOutEndpoint());
    EXPECT_EQ(guest.Types(), (std::vector<int>{usb_redir_hello, usb_redir_interface_info,
                                               usb_redir_ep_info, usb_redir_device_connect}));
    EXPECT_EQ(guest.interfaces.interface_count, 1u);
    EXPECT_EQ(guest.interfaces.interface_class[0], 3);
    // usbredir's endpoint arrays: OUT endpoints from 0, IN endpoints from 16.
    EXPECT_EQ(guest.endpoints.type[16 + 1], usb_redir_type_interrupt);
    EXPECT_EQ(guest.endpoints.interval[16 + 1], 1);
    EXPECT_EQ(guest.endpoints.max_packet_size[16 + 1], 64);
    EXPECT_EQ(guest.endpoints.max_packet_size[0], 64);
    EXPECT_EQ(guest.endpoints.type[1],
              outEndpoint ? usb_redir_type_interrupt : usb_redir_type_invalid);
    EXPECT_EQ(guest.connected.speed, usb_redir_speed_full);
    EXPECT_EQ(guest.connected.vendor_id, 0x0483);
    EXPECT_EQ(guest.connected.product_id, 0x5750);
  }
}

// The reply waits for the host to poll the IN endpoint; each OUT packet is acknowledged.
TEST(RedirDevice, AReportCrossesTheInterruptEndpointsAsPackets) {
  Guest guest;
  const std::vector<std::uint8_t> request = DeviceInfoRequest();
  for (std::size_t offset = 0; offset < request.size(); offset += kMaxPacketSize) {
    guest.SendInterrupt(kInterruptOutEndpoint,
                        {request.begin() + offset, request.begin() + offset + kMaxPacketSize});
  }
  guest.Pump();
  EXPECT_EQ(guest.Of(usb_redir_interrupt_packet).size(), 16u);
  for (const Message& acknowledgement : guest.Of(usb_redir_interrupt_packet)) {
    EXPECT_EQ(acknowledgement.endpoint, kInterruptOutEndpoint);
    EXPECT_EQ(acknowledgement.status, usb_redir_success);
  }
  guest.received.clear();
  guest.StartInterruptIn();
  EXPECT_EQ(guest.Types(),
            (std::vector<int>{usb_redir_interrupt_receiving_status, usb_redir_interrupt_packet}));
  const std::vector<Message> replies = guest.Of(usb_redir_interrupt_packet);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].endpoint, kInterruptInEndpoint);
  ASSERT_EQ(replies[0].data.size(), 64u);
  EXPECT_EQ(replies[0].data[0], kDeviceInfoReplyId);
  EXPECT_TRUE(guest.errors.empty());
}

TEST(RedirDevice, WithoutAnOutEndpointTheReportsComeAsSetReport) {
  Guest guest(WithoutOutEndpoint());
  guest.StartInterruptIn();
  guest.SendSetReport(DeviceInfoRequest());
  const std::vector<Message> controls = guest.Of(usb_redir_control_packet);
  ASSERT_EQ(controls.size(), 1u);
  EXPECT_EQ(controls[0].status, usb_redir_success);
  const std::vector<Message> replies = guest.Of(usb_redir_interrupt_packet);
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].data.at(0), kDeviceInfoReplyId);
}

// disconnect-at says so on the connection, which stays; unplug-at ends the connection.
TEST(RedirDevice, LeavesAtTheBlockItIsToldTo) {
  for (const bool disconnect : {true, false}) {
    sim::SimDeviceConfig config = WithoutOutEndpoint();
    (disconnect ? config.disconnectAtBlock : config.unplugAtBlock) = 1;
    Guest guest(config);
    std::vector<std::uint8_t> output = sim::testing::NewOutput();
    guest.SendSetReport(sim::testing::CheckRequest(output, "Pardo", "02.00.00"));
    guest.SendSetReport(sim::testing::StartRequest(output));
    const std::vector<std::uint8_t> data(kBlockDataSize, 0x11);
    for (int block = 0; block < 2; ++block) {
      BuildDataBlockReport(ReportView(std::span(output)), 2 * kBlockDataSize, data);
      guest.SendSetReport(output);
    }
    EXPECT_EQ(guest.Of(usb_redir_device_disconnect).size(), disconnect ? 1u : 0u);
    EXPECT_EQ(guest.device.Connected(), disconnect);
    EXPECT_TRUE(guest.device.Gone());
    EXPECT_EQ(guest.device.Model().Counters().blocksAccepted, 1u);
    EXPECT_TRUE(guest.errors.empty());
  }
}

// stall-at: as the block's first packet comes, the device halts its interrupt OUT endpoint,
// which takes nothing until the host's CLEAR_FEATURE(ENDPOINT_HALT); without the endpoint, it
// refuses the block's SET_REPORT once. The block sent again is taken.
TEST(RedirDevice, StallsTheBlockItIsToldToUntilTheHaltIsCleared) {
  for (const bool outEndpoint : {true, false}) {
    sim::SimDeviceConfig config = outEndpoint ? sim::SimDeviceConfig{} : WithoutOutEndpoint();
    config.stallAtBlock = 1;
    Guest guest(config);
    std::vector<std::uint8_t> output = sim::testing::NewOutput();
    guest.SendOutput(sim::testing::CheckRequest(output, "Pardo", "02.00.00"), outEndpoint);
    guest.SendOutput(sim::testing::StartRequest(output), outEndpoint);
    const std::vector<std::uint8_t> data(kBlockDataSize, 0x11);
    BuildDataBlockReport(ReportView(std::span(output)), 2 * kBlockDataSize, data);
    const std::size_t packets = outEndpoint ? output.size() / kMaxPacketSize : 1;
    const auto all = [packets](std::uint8_t status) {
      return std::vector<std::uint8_t>(packets, status);
    };

    EXPECT_EQ(guest.SendOutput(output, outEndpoint), all(usb_redir_success)) << outEndpoint;
    EXPECT_EQ(guest.SendOutput(output, outEndpoint), all(usb_redir_stall)) << outEndpoint;
    EXPECT_EQ(guest.device.Model().Counters().blocksAccepted, 1u);
    if (outEndpoint) {
      EXPECT_EQ(guest.SendOutput(output, outEndpoint), all(usb_redir_stall));
      guest.SendControl({0x00, 0x01, 0x02, 0, 0, 0x01, 0});  // CLEAR_FEATURE(ENDPOINT_HALT)
    }
    EXPECT_EQ(guest.SendOutput(output, outEndpoint), all(usb_redir_success)) << outEndpoint;
    EXPECT_EQ(guest.device.Model().Counters().blocksAccepted, 2u) << outEndpoint;
    EXPECT_TRUE(guest.errors.empty());
  }
}

TEST(RedirDevice, ABrokenOrUnexpectedMessageEndsTheConnectionSayingWhy) {
  const struct {
    const char* error;
    std::function<void(Guest&)> send;
  } cases[] = {
      {"a broken usbredir message",
       [](Guest& guest) {
         const std::uint8_t unknownType[16] = {0x77, 0x77};  // a header, 64-bit ID and all
         EXPECT_EQ(::send(guest.peer, unknownType, sizeof unknownType, 0), 16);
       }},
      {"an interrupt packet for endpoint 0x02, which the device does not have",
       [](Guest& guest) { guest.SendInterrupt(0x02, {0}); }},
      {"unexpected usbredir message: bulk_packet",
       [](Guest& guest) {
         std::uint8_t byte = 0;
         usb_redir_bulk_packet_header header{0x02, 0, 1, 0, 0};
         usbredirparser_send_bulk_packet(guest.parser, 9, &header, &byte, 1);
       }},
      {"an interrupt OUT packet of 65 bytes after 0 runs past the 1024-byte output report",
       [](Guest& guest) {
         guest.SendInterrupt(kInterruptOutEndpoint, std::vector<std::uint8_t>(65));
       }},
  };
  for (const auto& c : cases) {
    Guest guest;
    c.send(guest);
    guest.Pump();
    ASSERT_EQ(guest.errors.size(), 1u) << c.error;
    EXPECT_TRUE(guest.errors[0].starts_with(c.error)) << guest.errors[0];
    EXPECT_FALSE(guest.device.Connected()) << c.error;
  }
}

}  // namespace
}  // namespace kr55le::usb
