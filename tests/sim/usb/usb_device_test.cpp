// The USB device, as kr55le-usb-device plays it: its descriptors as the host's USB and HID
// drivers read them, the answers on endpoint 0, reports as 64-byte interrupt packets, and the
// device on a usbredir connection, the test playing QEMU's side with its own parser over a
// socket pair: what the device presents, how reports cross the endpoints, and how it ends.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <usbredirparser.h>

#include <filesystem>
#include <functional>
#include <numeric>

#include "device/protocol.h"
#include "platform/linux/report_descriptor.h"
#include "sim/usb/control_requests.h"
#include "sim/usb/interrupt_packets.h"
#include "sim/usb/listening_socket.h"
#include "sim/usb/redir_device.h"
#include "sim/usb/usb_descriptors.h"
#include "tests/sim/sim_test_requests.h"

namespace kr55le::usb {
namespace {

std::uint16_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes.at(at) | bytes.at(at + 1) << 8);
}

UsbDescriptors DescriptorsOf(const sim::SimDeviceConfig& config) {
  return BuildDescriptors(IdentityOf(config), config);
}

// As usbcore's configuration parser walks it: every descriptor inside the total length, the
// interface's endpoint count matching its endpoints, the HID descriptor naming the report
// descriptor's length; then the report lengths hidraw will compute from that descriptor.
TEST(UsbDescriptors, TheConfigurationReadsAsTheHostDriversReadIt) {
  const struct {
    bool outEndpoint;
    std::vector<std::uint8_t> endpoints;
  } cases[] = {{true, {0x81, 0x01}}, {false, {0x81}}};
  for (const auto& c : cases) {
    const UsbDescriptors descriptors = DescriptorsOf({.outEndpoint = c.outEndpoint});
    const std::vector<std::uint8_t>& block = descriptors.configuration;
    ASSERT_GE(block.size(), 9u);
    EXPECT_EQ(block[1], kDescriptorConfiguration);
    EXPECT_EQ(WordAt(block, 2), block.size());
    EXPECT_EQ(block[4], 1) << "interfaces";
    std::size_t declaredEndpoints = 0;
    std::vector<std::uint8_t> endpoints;
    std::size_t reportLength = 0;
    for (std::size_t at = block[0]; at < block.size(); at += block[at]) {
      ASSERT_GE(block[at], 2u);
      ASSERT_LE(at + block[at], block.size());
      switch (block[at + 1]) {
        case kDescriptorInterface:
          declaredEndpoints = block.at(at + 4);
          EXPECT_EQ(block.at(at + 5), kHidInterfaceClass);
          break;
        case kDescriptorHid:
          EXPECT_EQ(block.at(at + 6), kDescriptorReport);
          reportLength = WordAt(block, at + 7);
          break;
        case kDescriptorEndpoint:
          endpoints.push_back(block.at(at + 2));
          EXPECT_EQ(block.at(at + 3), 0x03) << "interrupt";
          EXPECT_EQ(WordAt(block, at + 4), 64);
          EXPECT_EQ(block.at(at + 6), 1) << "one frame";
          break;
        default:
          ADD_FAILURE() << "descriptor type " << int{block[at + 1]};
      }
    }
    EXPECT_EQ(declaredEndpoints, endpoints.size());
    EXPECT_EQ(endpoints, c.endpoints);
    EXPECT_EQ(reportLength, descriptors.report.size());
    const hid::HidCaps caps = ParseReportDescriptor(descriptors.report);
    EXPECT_EQ(caps.InputReportByteLength, 64);
    EXPECT_EQ(caps.OutputReportByteLength, 1024);
  }
}

std::vector<std::uint8_t> StringBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
  for (const char character : text) bytes.insert(bytes.end(), {std::uint8_t(character), 0});
  return bytes;
}

std::vector<std::uint8_t> NumberedReport(std::uint8_t reportId, std::size_t length) {
  std::vector<std::uint8_t> report(length, 0x5A);
  report[0] = reportId;
  return report;
}

struct ControlCase {
  const char* name;
  SetupPacket setup;
  std::optional<std::size_t> answered;        // bytes answered; nothing for a stall
  std::vector<std::uint8_t> startsWith = {};  // of the answer
  std::vector<std::uint8_t> data = {};        // host to device
  bool description = true;
  std::uint8_t statusId = sim::kDefaultStatusReplyId;
};

TEST(UsbDescriptors, EndpointZeroAnswersWhatTheHostDriversAsk) {
  const std::vector<std::uint8_t> request = NumberedReport(0x01, 1024);
  const ControlCase cases[] = {
      {"device, first 8 bytes", {0x80, 0x06, 0x0100, 0, 8}, 8, {18, 0x01, 0x00, 0x02}},
      {"device, whole",
       {0x80, 0x06, 0x0100, 0, 64},
       18,
       {18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64, 0x83, 0x04, 0x50, 0x57, 0x00, 0x01, 1, 2, 3}},
      {"device without strings",
       {0x80, 0x06, 0x0100, 0, 64},
       18,
       {18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64, 0x83, 0x04, 0x50, 0x57, 0x00, 0x01, 0, 0, 3},
       {},
       false},
      {"configuration head", {0x80, 0x06, 0x0200, 0, 9}, 9, {9, 0x02, 41, 0}},
      {"second configuration", {0x80, 0x06, 0x0201, 0, 9}, std::nullopt},
      {"languages", {0x80, 0x06, 0x0300, 0, 255}, 4, {4, 0x03, 0x09, 0x04}},
      {"manufacturer", {0x80, 0x06, 0x0301, 0x0409, 255}, 38, StringBytes("STMicroelectronics")},
      {"product", {0x80, 0x06, 0x0302, 0x0409, 255}, 28, StringBytes("Pardo KR-55LE")},
      {"serial", {0x80, 0x06, 0x0303, 0x0409, 255}, 22, StringBytes("KR55LE0001")},
      {"product without strings", {0x80, 0x06, 0x0302, 0x0409, 255}, std::nullopt, {}, {}, false},
      {"no fourth string", {0x80, 0x06, 0x0304, 0x0409, 255}, std::nullopt},
      {"device qualifier", {0x80, 0x06, 0x0600, 0, 10}, std::nullopt},
      {"HID descriptor", {0x81, 0x06, 0x2100, 0, 9}, 9, {9, 0x21, 0x11, 0x01}},
      {"report descriptor", {0x81, 0x06, 0x2200, 0, 4096}, 51, {0x06, 0x00, 0xFF}},
      {"report descriptor of interface 1", {0x81, 0x06, 0x2200, 1, 4096}, std::nullopt},
      {"status", {0x80, 0x00, 0, 0, 2}, 2, {0, 0}},
      {"clear endpoint halt", {0x02, 0x01, 0, 0x81, 0}, 0},
      {"set idle", {0x21, 0x0A, 0, 0, 0}, 0},
      {"get idle", {0xA1, 0x02, 0, 0, 1}, 1, {0}},
      {"input report 8", {0xA1, 0x01, 0x0108, 0, 64}, 64, {0x08, 0x00}},
      {"undeclared input report 2", {0xA1, 0x01, 0x0102, 0, 64}, std::nullopt},
      {"input report 3 of status-id=3", {0xA1, 0x01, 0x0103, 0, 64}, 64, {0x03}, {}, true, 3},
      {"feature report", {0xA1, 0x01, 0x0301, 0, 64}, std::nullopt},
      {"output report 1", {0x21, 0x09, 0x0201, 0, 1024}, 0, {}, request},
      {"output report under another ID", {0x21, 0x09, 0x0202, 0, 1024}, std::nullopt, {}, request},
      {"output report as an input report",
       {0x21, 0x09, 0x0101, 0, 1024},
       std::nullopt,
       {},
       request},
      {"output report too long",
       {0x21, 0x09, 0x0201, 0, 1025},
       std::nullopt,
       {},
       NumberedReport(0x01, 1025)},
      {"vendor request", {0xC0, 0x01, 0, 0, 8}, std::nullopt},
  };
  for (const ControlCase& c : cases) {
    const ControlAnswer answer = AnswerControl(
        c.setup, c.data,
        DescriptorsOf({.hasDescription = c.description, .statusReplyId = c.statusId}));
    EXPECT_EQ(answer.status == ControlStatus::Done, c.answered.has_value()) << c.name;
    if (!c.answered) continue;
    EXPECT_EQ(answer.data.size(), *c.answered) << c.name;
    ASSERT_GE(answer.data.size(), c.startsWith.size()) << c.name;
    EXPECT_TRUE(std::equal(c.startsWith.begin(), c.startsWith.end(), answer.data.begin()))
        << c.name;
    // SET_REPORT's data reaches the model whole; nothing else does.
    EXPECT_EQ(answer.outputReport.has_value(), c.setup.request == 0x09) << c.name;
    if (answer.outputReport) {
      EXPECT_EQ(*answer.outputReport, c.data) << c.name;
    }
  }
}

// Reports split into and rebuilt from 64-byte interrupt packets, at the packets' edges.
std::vector<std::uint8_t> Counting(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(InterruptPackets, AReportGoesOutAsFullPacketsThenTheRestAndIsRebuilt) {
  const struct {
    std::size_t length;
    std::vector<std::size_t> packets;
  } cases[] = {{63, {63}}, {64, {64}}, {65, {64, 1}}, {1024, std::vector<std::size_t>(16, 64)}};
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> report = Counting(c.length);
    std::vector<std::size_t> sizes;
    ReportAssembler assembler(c.length);
    std::optional<std::vector<std::uint8_t>> rebuilt;
    for (const auto packet : SplitIntoPackets(report)) {
      sizes.push_back(packet.size());
      rebuilt = assembler.Add(packet).report;
    }
    EXPECT_EQ(sizes, c.packets) << c.length;
    EXPECT_EQ(rebuilt, report) << c.length;  // whole from the last packet, byte for byte
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

// On a usbredir connection.
struct Message {
  int type = 0;
  std::uint8_t endpoint = 0;
  std::uint8_t status = 0;
  std::vector<std::uint8_t> data;
};

// QEMU's end of the connection: a guest-side parser that records what it receives.
class Guest {
 public:
  explicit Guest(sim::SimDeviceConfig config = {}) : device(config, IdentityOf(config)) { Open(); }
  // Connects the device again over a new socket pair while the old connection is still open;
  // the old end, for the test to close.
  int Reconnect() {
    usbredirparser_destroy(parser);
    const int old = peer;
    received.clear();
    Open();
    return old;
  }
  void Open() {
    parser = usbredirparser_create();
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
    parser->configuration_status_func = [](void* priv, std::uint64_t,
                                           usb_redir_configuration_status_header* header) {
      Of(priv).Add(usb_redir_configuration_status, 0, header->status);
    };
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

// The check and the start that let the device take blocks, then a block in the same buffer.
std::vector<std::uint8_t> ArmedBlock(Guest& guest, bool outEndpoint) {
  std::vector<std::uint8_t> output = sim::testing::NewOutput();
  guest.SendOutput(sim::testing::CheckRequest(output, "Pardo", "02.00.00"), outEndpoint);
  guest.SendOutput(sim::testing::StartRequest(output), outEndpoint);
  BuildDataBlockReport(ReportView(std::span(output)), 2 * kBlockDataSize,
                       std::vector<std::uint8_t>(kBlockDataSize, 0x11));
  return output;
}

TEST(RedirDevice, PresentsItsInterfaceAndEndpointsBeforeConnecting) {
  for (const bool outEndpoint : {true, false}) {
    Guest guest({.outEndpoint = outEndpoint});
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

// An output report comes as interrupt OUT packets, each acknowledged, or without the endpoint
// as a SET_REPORT; the reply waits for the host to poll the IN endpoint.
TEST(RedirDevice, AReportCrossesTheEndpointsAndTheReplyWaitsForThePoll) {
  for (const bool outEndpoint : {true, false}) {
    Guest guest({.outEndpoint = outEndpoint});
    EXPECT_EQ(guest.SendOutput(sim::testing::InfoRequest(), outEndpoint),
              std::vector<std::uint8_t>(outEndpoint ? 16 : 1, usb_redir_success));
    for (const Message& acknowledgement : guest.received) {
      EXPECT_EQ(acknowledgement.endpoint, outEndpoint ? kInterruptOutEndpoint : 0);
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
}

// disconnect-at says so on the connection, which stays; unplug-at ends the connection.
TEST(RedirDevice, LeavesAtTheBlockItIsToldTo) {
  for (const bool disconnect : {true, false}) {
    sim::SimDeviceConfig config{.outEndpoint = false};
    (disconnect ? config.disconnectAtBlock : config.unplugAtBlock) = 1;
    Guest guest(config);
    const std::vector<std::uint8_t> block = ArmedBlock(guest, false);
    guest.SendSetReport(block);
    guest.SendSetReport(block);
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
  // A halted OUT endpoint is cleared by CLEAR_FEATURE(ENDPOINT_HALT) or by choosing the
  // configuration again (USB 2.0, 9.4.5); a SET_REPORT stalls only the request itself.
  const struct {
    const char* name;
    bool outEndpoint;
    std::function<void(Guest&)> clear;
  } cases[] = {
      {"set report", false, nullptr},
      {"clear feature", true,
       [](Guest& guest) {
         guest.SendControl({0x00, 0x01, 0x02, 0, 0, 0x01, 0});
       }},
      {"set configuration", true,
       [](Guest& guest) {
         usb_redir_set_configuration_header header{kConfigurationValue};
         usbredirparser_send_set_configuration(guest.parser, 1, &header);
         guest.Pump();
       }},
  };
  for (const auto& c : cases) {
    Guest guest({.outEndpoint = c.outEndpoint, .stallAtBlock = 1});
    const std::vector<std::uint8_t> output = ArmedBlock(guest, c.outEndpoint);
    const std::size_t packets = c.outEndpoint ? output.size() / kMaxPacketSize : 1;
    const auto all = [packets](std::uint8_t status) {
      return std::vector<std::uint8_t>(packets, status);
    };

    EXPECT_EQ(guest.SendOutput(output, c.outEndpoint), all(usb_redir_success)) << c.name;
    EXPECT_EQ(guest.SendOutput(output, c.outEndpoint), all(usb_redir_stall)) << c.name;
    EXPECT_EQ(guest.device.Model().Counters().blocksAccepted, 1u);
    if (c.clear) {
      EXPECT_EQ(guest.SendOutput(output, c.outEndpoint), all(usb_redir_stall)) << c.name;
      c.clear(guest);
    }
    EXPECT_EQ(guest.SendOutput(output, c.outEndpoint), all(usb_redir_success)) << c.name;
    EXPECT_EQ(guest.device.Model().Counters().blocksAccepted, 2u) << c.name;
    EXPECT_TRUE(guest.errors.empty()) << c.name;
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

// A new connection drops the old one and starts afresh: the IN endpoint the old peer polled
// waits for the new peer's poll.
TEST(RedirDevice, ANewConnectionDropsTheOldOneAndStartsAfresh) {
  Guest guest;
  guest.StartInterruptIn();
  const int old = guest.Reconnect();
  char byte = 0;
  EXPECT_EQ(::recv(old, &byte, sizeof byte, MSG_DONTWAIT), 0);
  ::close(old);
  guest.SendOutput(sim::testing::InfoRequest(), true);
  for (const Message& message : guest.received) EXPECT_NE(message.endpoint, kInterruptInEndpoint);
  guest.received.clear();
  guest.StartInterruptIn();
  ASSERT_EQ(guest.Of(usb_redir_interrupt_packet).size(), 1u);
  EXPECT_EQ(guest.Of(usb_redir_interrupt_packet)[0].data[0], kDeviceInfoReplyId);
  EXPECT_TRUE(guest.errors.empty());
}

TEST(RedirDevice, APeerThatReadsLateGetsEveryReplyAndTheConnectionStays) {
  constexpr std::size_t kRequests = 500;  // replies enough to fill the socket more than once
  Guest guest;
  guest.StartInterruptIn();
  guest.received.clear();
  const std::vector<std::uint8_t> request = sim::testing::InfoRequest();
  for (std::size_t sent = 0; sent < kRequests; ++sent) {
    for (std::size_t offset = 0; offset < request.size(); offset += kMaxPacketSize) {
      guest.SendInterrupt(kInterruptOutEndpoint,
                          {request.begin() + offset, request.begin() + offset + kMaxPacketSize});
    }
    // The device reads and answers; the guest reads nothing yet.
    usbredirparser_do_write(guest.parser);
    EXPECT_EQ(guest.device.HandleReadable({}), "");
    EXPECT_EQ(guest.device.SendDue({}), "");
  }
  ASSERT_TRUE(guest.device.Connected());
  std::size_t replies = 0;
  for (bool more = true; more;) {
    guest.received.clear();
    guest.Pump();
    const auto in =
        std::count_if(guest.received.begin(), guest.received.end(),
                      [](const Message& m) { return m.endpoint == kInterruptInEndpoint; });
    replies += static_cast<std::size_t>(in);
    more = in > 0;
  }
  EXPECT_EQ(replies, kRequests);  // an input report is one packet
  EXPECT_TRUE(guest.errors.empty());
}

TEST(RedirDevice, APeerThatClosesEndsTheConnectionQuietly) {
  Guest guest;
  ::shutdown(guest.peer, SHUT_WR);
  guest.Pump();
  EXPECT_TRUE(!guest.device.Connected() && guest.errors.empty());
}

// A socket path of this test process's own, in the temporary folder.
std::string SocketPath(const std::string& prefix) {
  return (std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))).string();
}

// The serving loop accepts when the socket is readable: nothing waiting after all is no error,
// a failed accept is one, naming the call.
TEST(ListeningSocket, NothingWaitingIsNoErrorAndAFailedAcceptIsOne) {
  const std::string path = SocketPath("kr55le-listening-");
  const ListeningSocket listening(path);
  ASSERT_TRUE(listening.valid()) << listening.Error();
  std::string error;
  EXPECT_EQ(listening.Accept(error), -1);
  EXPECT_EQ(error, "");
  const ListeningSocket refused("");  // nothing listens: the accept fails on no descriptor
  EXPECT_FALSE(refused.valid());
  EXPECT_EQ(refused.Accept(error), -1);
  EXPECT_EQ(error.rfind("accept(", 0), 0u) << error;
}

// Started with its standard input closed, the device program is given descriptor 0 for the
// first connection it accepts, which is a connection all the same.
TEST(ListeningSocket, AConnectionOnDescriptorZeroIsAccepted) {
  const std::string path = SocketPath("kr55le-zero-");
  const ListeningSocket listening(path);
  ASSERT_TRUE(listening.valid()) << listening.Error();
  const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const int input = ::dup(STDIN_FILENO);
  ::close(STDIN_FILENO);
  std::string error;
  const int connection = listening.Accept(error);
  ::dup2(input, STDIN_FILENO);
  ::close(input);
  ::close(client);
  EXPECT_EQ(connection, STDIN_FILENO);
  EXPECT_EQ(error, "");
}

}  // namespace
}  // namespace kr55le::usb
