// The device on a usbredir connection, the test playing QEMU's side with its own parser over a
// socket pair: what the device presents, how reports cross the endpoints, and how it ends.
#include "platform/usb/redir_device.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <usbredirparser.h>

#include <cstring>
#include <functional>

#include "device/protocol.h"
#include "tests/platform/sim/sim_test_requests.h"

namespace kr55le::usb {
namespace {

struct Message {
  explicit Message(int messageType) : type(messageType) {}
  int type = 0;
  std::uint8_t endpoint = 0;
  std::uint8_t status = 0;
  std::vector<std::uint8_t> data;
  usb_redir_ep_info_header endpoints{};
  usb_redir_interface_info_header interfaces{};
  usb_redir_device_connect_header device{};
};

// QEMU's end of the connection: a guest-side parser that records every message it receives.
class Guest {
 public:
  explicit Guest(sim::SimDeviceConfig config = {})
      : device(config, IdentityOf(config)), parser_(usbredirparser_create()) {
    int pair[2] = {-1, -1};
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    socket_ = pair[0];
    EXPECT_EQ(device.Connect(pair[1]), "");
    parser_->priv = this;
    parser_->log_func = [](void*, int, const char*) {};
    parser_->read_func = [](void* priv, std::uint8_t* data, int count) {
      const ssize_t got = ::recv(Of(priv).socket_, data, count, MSG_DONTWAIT);
      return got > 0 ? static_cast<int>(got) : 0;
    };
    parser_->write_func = [](void* priv, std::uint8_t* data, int count) {
      return static_cast<int>(::send(Of(priv).socket_, data, count, MSG_NOSIGNAL));
    };
    parser_->hello_func = [](void* priv, usb_redir_hello_header*) {
      Of(priv).Record(Message(usb_redir_hello));
    };
    parser_->interface_info_func = [](void* priv, usb_redir_interface_info_header* header) {
      Message message(usb_redir_interface_info);
      message.interfaces = *header;
      Of(priv).Record(message);
    };
    parser_->ep_info_func = [](void* priv, usb_redir_ep_info_header* header) {
      Message message(usb_redir_ep_info);
      message.endpoints = *header;
      Of(priv).Record(message);
    };
    parser_->device_connect_func = [](void* priv, usb_redir_device_connect_header* header) {
      Message message(usb_redir_device_connect);
      message.device = *header;
      Of(priv).Record(message);
    };
    parser_->device_disconnect_func = [](void* priv) {
      Of(priv).Record(Message(usb_redir_device_disconnect));
    };
    parser_->interrupt_receiving_status_func =
        [](void* priv, std::uint64_t, usb_redir_interrupt_receiving_status_header* header) {
          Message message(usb_redir_interrupt_receiving_status);
          message.endpoint = header->endpoint;
          message.status = header->status;
          Of(priv).Record(message);
        };
    parser_->control_packet_func = [](void* priv, std::uint64_t,
                                      usb_redir_control_packet_header* header, std::uint8_t* data,
                                      int length) {
      Of(priv).RecordData(usb_redir_control_packet, header->endpoint, header->status, data, length);
    };
    parser_->interrupt_packet_func = [](void* priv, std::uint64_t,
                                        usb_redir_interrupt_packet_header* header,
                                        std::uint8_t* data, int length) {
      Of(priv).RecordData(usb_redir_interrupt_packet, header->endpoint, header->status, data,
                          length);
    };
    std::uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
    for (const int cap : {usb_redir_cap_connect_device_version, usb_redir_cap_filter,
                          usb_redir_cap_ep_info_max_packet_size, usb_redir_cap_64bits_ids}) {
      usbredirparser_caps_set_cap(caps, cap);
    }
    usbredirparser_init(parser_, "test guest", caps, USB_REDIR_CAPS_SIZE, 0);
    Pump();
  }
  ~Guest() {
    usbredirparser_destroy(parser_);
    ::close(socket_);
  }

  // Moves everything either side has to say; the device's failures are kept in `errors`.
  void Pump() {
    for (int round = 0; round < kRounds; ++round) {
      usbredirparser_do_write(parser_);
      if (std::string error = device.HandleReadable({}); !error.empty()) errors.push_back(error);
      if (std::string error = device.SendDue({}); !error.empty()) errors.push_back(error);
      usbredirparser_do_read(parser_);
    }
  }

  void SendOutputPackets(const std::vector<std::uint8_t>& report) {
    for (std::size_t offset = 0; offset < report.size(); offset += kMaxPacketSize) {
      std::vector<std::uint8_t> packet(report.begin() + offset,
                                       report.begin() + std::min(report.size(), offset + 64));
      usb_redir_interrupt_packet_header header{kInterruptOutEndpoint, 0,
                                               static_cast<std::uint16_t>(packet.size())};
      usbredirparser_send_interrupt_packet(parser_, nextId_++, &header, packet.data(),
                                           static_cast<int>(packet.size()));
    }
    Pump();
  }
  void SendSetReport(std::vector<std::uint8_t> report) {
    usb_redir_control_packet_header header{0x00,
                                           0x09,
                                           0x21,
                                           0,
                                           std::uint16_t(0x0200 | report[0]),
                                           0,
                                           static_cast<std::uint16_t>(report.size())};
    usbredirparser_send_control_packet(parser_, nextId_++, &header, report.data(),
                                       static_cast<int>(report.size()));
    Pump();
  }
  void StartInterruptIn() {
    usb_redir_start_interrupt_receiving_header header{kInterruptInEndpoint};
    usbredirparser_send_start_interrupt_receiving(parser_, nextId_++, &header);
    Pump();
  }
  void SendRaw(const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(::send(socket_, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    Pump();
  }
  usbredirparser* Parser() { return parser_; }

  std::vector<int> Types() const {
    std::vector<int> types;
    for (const Message& message : received) types.push_back(message.type);
    return types;
  }
  std::vector<Message> Of(int type) const {
    std::vector<Message> found;
    for (const Message& message : received) {
      if (message.type == type) found.push_back(message);
    }
    return found;
  }

  RedirDevice device;
  std::vector<Message> received;
  std::vector<std::string> errors;

 private:
  static constexpr int kRounds = 4;
  static Guest& Of(void* priv) { return *static_cast<Guest*>(priv); }
  void Record(Message message) { received.push_back(std::move(message)); }
  void RecordData(int type, std::uint8_t endpoint, std::uint8_t status, std::uint8_t* data,
                  int length) {
    Message message(type);
    message.endpoint = endpoint;
    message.status = status;
    message.data.assign(data, data + length);
    Record(message);
    usbredirparser_free_packet_data(parser_, data);
  }

  usbredirparser* parser_;
  int socket_ = -1;
  std::uint64_t nextId_ = 1;
};

std::vector<std::uint8_t> DeviceInfoRequest() {
  std::vector<std::uint8_t> report = sim::testing::NewOutput();
  BuildDeviceInfoRequest(ReportView(std::span(report)));
  return report;
}

TEST(RedirDevice, PresentsItsInterfaceAndEndpointsBeforeConnecting) {
  for (const bool outEndpoint : {true, false}) {
    sim::SimDeviceConfig config;
    config.outEndpoint = outEndpoint;
    Guest guest(config);
    EXPECT_EQ(guest.Types(), (std::vector<int>{usb_redir_hello, usb_redir_interface_info,
                                               usb_redir_ep_info, usb_redir_device_connect}));
    ASSERT_EQ(guest.received.size(), 4u);
    const usb_redir_interface_info_header& interfaces = guest.received[1].interfaces;
    EXPECT_EQ(interfaces.interface_count, 1u);
    EXPECT_EQ(interfaces.interface_class[0], 3);
    const usb_redir_ep_info_header& endpoints = guest.received[2].endpoints;
    EXPECT_EQ(endpoints.type[0x11], usb_redir_type_interrupt);  // 0x81
    EXPECT_EQ(endpoints.interval[0x11], 1);
    EXPECT_EQ(endpoints.max_packet_size[0x11], 64);
    EXPECT_EQ(endpoints.max_packet_size[0x00], 64);
    EXPECT_EQ(endpoints.type[0x01],
              outEndpoint ? usb_redir_type_interrupt : usb_redir_type_invalid);  // 0x01
    const usb_redir_device_connect_header& device = guest.received[3].device;
    EXPECT_EQ(device.speed, usb_redir_speed_full);
    EXPECT_EQ(device.vendor_id, 0x0483);
    EXPECT_EQ(device.product_id, 0x5750);
  }
}

// The reply waits for the host to poll the IN endpoint; each OUT packet is acknowledged.
TEST(RedirDevice, AReportCrossesTheInterruptEndpointsAsPackets) {
  Guest guest;
  guest.SendOutputPackets(DeviceInfoRequest());
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
  sim::SimDeviceConfig config;
  config.outEndpoint = false;
  Guest guest(config);
  guest.StartInterruptIn();
  guest.received.clear();
  guest.SendSetReport(DeviceInfoRequest());
  const std::vector<Message> controls = guest.Of(usb_redir_control_packet);
  ASSERT_EQ(controls.size(), 1u);
  EXPECT_EQ(controls[0].status, usb_redir_success);
  ASSERT_EQ(guest.Of(usb_redir_interrupt_packet).size(), 1u);
  EXPECT_EQ(guest.Of(usb_redir_interrupt_packet)[0].data[0], kDeviceInfoReplyId);
  EXPECT_EQ(guest.device.Model().Counters().reportsReceived, 1u);
}

// disconnect-at says so on the connection, which stays; unplug-at ends the connection.
TEST(RedirDevice, LeavesAtTheBlockItIsToldTo) {
  const struct {
    const char* spec;
    bool disconnectMessage;
    bool connected;
  } cases[] = {{"disconnect", true, true}, {"unplug", false, false}};
  for (const auto& c : cases) {
    sim::SimDeviceConfig config;
    config.outEndpoint = false;
    (c.disconnectMessage ? config.disconnectAtBlock : config.unplugAtBlock) = 1;
    Guest guest(config);
    std::vector<std::uint8_t> output = sim::testing::NewOutput();
    guest.SendSetReport(sim::testing::CheckRequest(output, "Pardo", "02.00.00"));
    guest.SendSetReport(sim::testing::StartRequest(output));
    const std::vector<std::uint8_t> data(kBlockDataSize, 0x11);
    for (int block = 0; block < 2; ++block) {
      BuildDataBlockReport(ReportView(std::span(output)), 2 * kBlockDataSize, data);
      guest.SendSetReport(output);
    }
    EXPECT_EQ(guest.Of(usb_redir_device_disconnect).size(), c.disconnectMessage ? 1u : 0u)
        << c.spec;
    EXPECT_EQ(guest.device.Connected(), c.connected) << c.spec;
    EXPECT_TRUE(guest.device.Gone()) << c.spec;
    EXPECT_EQ(guest.device.Model().Counters().blocksAccepted, 1u) << c.spec;
    EXPECT_TRUE(guest.errors.empty()) << c.spec;
  }
}

TEST(RedirDevice, ABrokenOrUnexpectedMessageEndsTheConnectionSayingWhy) {
  const struct {
    const char* name;
    std::function<void(Guest&)> send;
    const char* error;
  } cases[] = {
      {"unknown message type",
       [](Guest& guest) {
         guest.SendRaw({0x77, 0x77, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
       },
       "a broken usbredir message"},
      {"interrupt packet for endpoint 2",
       [](Guest& guest) {
         std::uint8_t byte = 0;
         usb_redir_interrupt_packet_header header{0x02, 0, 1};
         usbredirparser_send_interrupt_packet(guest.Parser(), 9, &header, &byte, 1);
         guest.Pump();
       },
       "an interrupt packet for endpoint 0x02, which the device does not have"},
      {"bulk packet",
       [](Guest& guest) {
         std::uint8_t byte = 0;
         usb_redir_bulk_packet_header header{0x02, 0, 1, 0, 0};
         usbredirparser_send_bulk_packet(guest.Parser(), 9, &header, &byte, 1);
         guest.Pump();
       },
       "unexpected usbredir message: bulk_packet"},
      {"packet over 64 bytes",
       [](Guest& guest) {
         std::vector<std::uint8_t> packet(65, 0);
         usb_redir_interrupt_packet_header header{kInterruptOutEndpoint, 0, 65};
         usbredirparser_send_interrupt_packet(guest.Parser(), 9, &header, packet.data(), 65);
         guest.Pump();
       },
       "an interrupt OUT packet of 65 bytes after 0 runs past the 1024-byte output report"},
  };
  for (const auto& c : cases) {
    Guest guest;
    c.send(guest);
    ASSERT_EQ(guest.errors.size(), 1u) << c.name;
    EXPECT_TRUE(guest.errors[0].starts_with(c.error)) << c.name << ": " << guest.errors[0];
    EXPECT_FALSE(guest.device.Connected()) << c.name;
  }
}

}  // namespace
}  // namespace kr55le::usb
