#include "sim/usb/redir_device.h"

#include <sys/socket.h>
#include <usbredirparser.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include "device/protocol.h"
#include "sim/usb/control_requests.h"

namespace kr55le::usb {
namespace {

constexpr char kParserVersion[] = "kr55le-usb-device";
constexpr std::uint8_t kEndpointNumberMask = 0x0F;
constexpr unsigned kEndpointIndexShift = 3;  // usbredir's arrays: OUT 0..15, IN 16..31
constexpr std::uint8_t kEndpointZeroIn = kDirectionIn;
constexpr std::uint8_t kNoAlternateSetting = 0xFF;
constexpr std::size_t kHexCapacity = 8;

std::size_t EndpointIndex(std::uint8_t address) {
  return static_cast<std::size_t>(((address & kDirectionIn) >> kEndpointIndexShift) |
                                  (address & kEndpointNumberMask));
}

std::string Hex(std::uint8_t value) {
  char text[kHexCapacity];
  std::snprintf(text, sizeof text, "0x%02x", value);
  return text;
}

std::string SystemError(const char* call, int error) {
  return std::string(call) + "(usbredir): " + std::generic_category().message(error);
}

std::string NoSuchEndpoint(const char* message, std::uint8_t endpoint) {
  return std::string(message) + " for endpoint " + Hex(endpoint) +
         ", which the device does not have";
}

void PutEndpoint(usb_redir_ep_info_header& info, std::uint8_t address, std::uint8_t type,
                 std::uint8_t interval) {
  const std::size_t index = EndpointIndex(address);
  info.type[index] = type;
  info.interval[index] = interval;
  info.interface[index] = kInterfaceNumber;
  info.max_packet_size[index] = static_cast<std::uint16_t>(kMaxPacketSize);
}

}  // namespace

struct RedirDevice::Callbacks {
  static RedirDevice& Of(void* priv) { return *static_cast<RedirDevice*>(priv); }

  // Frees a message's data, which the parser hands over with the message.
  struct OwnedData {
    usbredirparser* parser;
    std::uint8_t* data;
    ~OwnedData() {
      if (data) usbredirparser_free_packet_data(parser, data);
    }
  };

  static void Log(void* priv, int level, const char* message) {
    if (level == usbredirparser_error) Of(priv).lastParserError_ = message;
  }

  static int Read(void* priv, std::uint8_t* data, int count) {
    RedirDevice& device = Of(priv);
    for (;;) {
      const ssize_t got =
          ::recv(device.connection_->get(), data, static_cast<std::size_t>(count), MSG_DONTWAIT);
      if (got > 0) return static_cast<int>(got);
      if (got == 0 || errno == ECONNRESET) {
        device.peerClosed_ = true;
        return -1;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
      device.Fail(SystemError("read", errno));
      return -1;
    }
  }

  static int Write(void* priv, std::uint8_t* data, int count) {
    RedirDevice& device = Of(priv);
    for (;;) {
      const ssize_t sent = ::send(device.connection_->get(), data, static_cast<std::size_t>(count),
                                  MSG_DONTWAIT | MSG_NOSIGNAL);
      if (sent >= 0) return static_cast<int>(sent);
      if (errno == EPIPE || errno == ECONNRESET) {
        device.peerClosed_ = true;
        return -1;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
      device.Fail(SystemError("write", errno));
      return -1;
    }
  }

  static void Hello(void* priv, usb_redir_hello_header*) { Of(priv).Greeted(); }

  static void Reset(void* priv) {
    RedirDevice& device = Of(priv);
    device.assembler_.Reset();
    device.configuration_ = 0;
    device.outHalted_ = false;
  }

  static void SetConfiguration(void* priv, std::uint64_t id,
                               usb_redir_set_configuration_header* request) {
    RedirDevice& device = Of(priv);
    usb_redir_configuration_status_header status{};
    status.status = usb_redir_stall;
    if (request->configuration == 0 || request->configuration == kConfigurationValue) {
      device.configuration_ = request->configuration;
      device.outHalted_ = false;  // USB 2.0, 9.4.5
      status.status = usb_redir_success;
    }
    status.configuration = device.configuration_;
    usbredirparser_send_configuration_status(device.parser_.get(), id, &status);
  }

  static void GetConfiguration(void* priv, std::uint64_t id) {
    RedirDevice& device = Of(priv);
    usb_redir_configuration_status_header status{};
    status.status = usb_redir_success;
    status.configuration = device.configuration_;
    usbredirparser_send_configuration_status(device.parser_.get(), id, &status);
  }

  static void SetAltSetting(void* priv, std::uint64_t id,
                            usb_redir_set_alt_setting_header* request) {
    usb_redir_alt_setting_status_header status{};
    const bool known = request->interface == kInterfaceNumber && request->alt == kAlternateSetting;
    status.status = known ? usb_redir_success : usb_redir_stall;
    status.interface = request->interface;
    status.alt = known ? kAlternateSetting : kNoAlternateSetting;
    usbredirparser_send_alt_setting_status(Of(priv).parser_.get(), id, &status);
  }

  static void GetAltSetting(void* priv, std::uint64_t id,
                            usb_redir_get_alt_setting_header* request) {
    usb_redir_alt_setting_status_header status{};
    const bool known = request->interface == kInterfaceNumber;
    status.status = known ? usb_redir_success : usb_redir_stall;
    status.interface = request->interface;
    status.alt = known ? kAlternateSetting : kNoAlternateSetting;
    usbredirparser_send_alt_setting_status(Of(priv).parser_.get(), id, &status);
  }

  static void InterruptReceiving(void* priv, std::uint64_t id, std::uint8_t endpoint, bool start) {
    RedirDevice& device = Of(priv);
    if (endpoint != kInterruptInEndpoint) {
      device.Fail(NoSuchEndpoint(start ? "start_interrupt_receiving" : "stop_interrupt_receiving",
                                 endpoint));
      return;
    }
    device.interruptInStarted_ = start;
    usb_redir_interrupt_receiving_status_header status{};
    status.status = usb_redir_success;
    status.endpoint = endpoint;
    usbredirparser_send_interrupt_receiving_status(device.parser_.get(), id, &status);
  }

  static void Control(void* priv, std::uint64_t id, usb_redir_control_packet_header* header,
                      std::uint8_t* data, int length) {
    RedirDevice& device = Of(priv);
    const OwnedData owned{device.parser_.get(), data};
    // Once the device has left, the peer takes whatever it still had in flight as cancelled.
    if (device.gone_) return;
    if ((header->endpoint & ~kDirectionIn) != 0) {
      device.Fail(NoSuchEndpoint("a control packet", header->endpoint));
      return;
    }
    const SetupPacket setup{header->requesttype, header->request, header->value, header->index,
                            header->length};
    ControlAnswer answer =
        AnswerControl(setup, std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)),
                      device.descriptors_);
    if (ClearsHaltOf(setup, kInterruptOutEndpoint)) device.outHalted_ = false;
    // Busy with the block, the device refuses its SET_REPORT: a stall of that request alone,
    // which the next setup packet ends (USB 2.0, 8.5.3.4).
    if (answer.outputReport && device.StallsBlock(*answer.outputReport)) {
      device.stallPlayed_ = true;
      answer = {};
    }
    if (answer.outputReport) device.TakeOutput(std::move(*answer.outputReport));
    if (device.gone_) return;
    usb_redir_control_packet_header reply = *header;
    const bool done = answer.status == ControlStatus::Done;
    reply.status = done ? usb_redir_success : usb_redir_stall;
    if ((header->requesttype & kDirectionIn) != 0) {
      reply.length = static_cast<std::uint16_t>(answer.data.size());
      usbredirparser_send_control_packet(device.parser_.get(), id, &reply, answer.data.data(),
                                         static_cast<int>(answer.data.size()));
    } else {
      reply.length = done ? header->length : 0;
      usbredirparser_send_control_packet(device.parser_.get(), id, &reply, nullptr, 0);
    }
  }

  static void Interrupt(void* priv, std::uint64_t id, usb_redir_interrupt_packet_header* header,
                        std::uint8_t* data, int length) {
    RedirDevice& device = Of(priv);
    const OwnedData owned{device.parser_.get(), data};
    if (device.gone_) return;
    if (header->endpoint != kInterruptOutEndpoint || !device.descriptors_.outEndpoint) {
      device.Fail(NoSuchEndpoint("an interrupt packet", header->endpoint));
      return;
    }
    const std::span<const std::uint8_t> packet(data, static_cast<std::size_t>(length));
    // Busy with the block, the device halts the endpoint as its first packet comes; a halted
    // endpoint takes nothing until the host clears the halt (USB 2.0, 9.4.5).
    if (device.assembler_.Empty() && device.StallsBlock(packet)) {
      device.outHalted_ = true;
      device.stallPlayed_ = true;
    }
    if (device.outHalted_) {
      usb_redir_interrupt_packet_header refused{};
      refused.endpoint = header->endpoint;
      refused.status = usb_redir_stall;
      usbredirparser_send_interrupt_packet(device.parser_.get(), id, &refused, nullptr, 0);
      return;
    }
    ReportAssembler::Added added = device.assembler_.Add(packet);
    if (!added.error.empty()) {
      device.Fail(added.error);
      return;
    }
    usb_redir_interrupt_packet_header reply{};
    reply.endpoint = header->endpoint;
    reply.status = usb_redir_success;
    reply.length = header->length;
    usbredirparser_send_interrupt_packet(device.parser_.get(), id, &reply, nullptr, 0);
    if (added.report) device.TakeOutput(std::move(*added.report));
  }

  static void Unexpected(void* priv, const char* message) {
    Of(priv).Fail(std::string("unexpected usbredir message: ") + message);
  }

  static void UnexpectedData(void* priv, const char* message, std::uint8_t* data) {
    const OwnedData owned{Of(priv).parser_.get(), data};
    Unexpected(priv, message);
  }

  static void Install(usbredirparser& parser) {
    parser.log_func = Log;
    parser.read_func = Read;
    parser.write_func = Write;
    parser.hello_func = Hello;
    parser.reset_func = Reset;
    parser.set_configuration_func = SetConfiguration;
    parser.get_configuration_func = GetConfiguration;
    parser.set_alt_setting_func = SetAltSetting;
    parser.get_alt_setting_func = GetAltSetting;
    parser.start_interrupt_receiving_func =
        [](void* priv, std::uint64_t id, usb_redir_start_interrupt_receiving_header* request) {
          InterruptReceiving(priv, id, request->endpoint, true);
        };
    parser.stop_interrupt_receiving_func = [](void* priv, std::uint64_t id,
                                              usb_redir_stop_interrupt_receiving_header* request) {
      InterruptReceiving(priv, id, request->endpoint, false);
    };
    parser.control_packet_func = Control;
    parser.interrupt_packet_func = Interrupt;
    // Every packet is answered as it arrives, so nothing is left to cancel.
    parser.cancel_data_packet_func = [](void*, std::uint64_t) {};
    parser.device_disconnect_ack_func = [](void*) {};
    parser.filter_filter_func = [](void*, usbredirfilter_rule* rules, int) { std::free(rules); };
    parser.filter_reject_func = [](void* priv) {
      Of(priv).Fail("the peer refused the device (usbredir filter_reject)");
    };
    InstallUnexpected(parser);
  }

  // Messages for endpoints or features the device does not have, and those only a USB host
  // sends (which the parser itself should already refuse).
  static void InstallUnexpected(usbredirparser& parser) {
    parser.start_iso_stream_func = [](void* priv, std::uint64_t,
                                      usb_redir_start_iso_stream_header*) {
      Unexpected(priv, "start_iso_stream");
    };
    parser.stop_iso_stream_func = [](void* priv, std::uint64_t, usb_redir_stop_iso_stream_header*) {
      Unexpected(priv, "stop_iso_stream");
    };
    parser.alloc_bulk_streams_func = [](void* priv, std::uint64_t,
                                        usb_redir_alloc_bulk_streams_header*) {
      Unexpected(priv, "alloc_bulk_streams");
    };
    parser.free_bulk_streams_func = [](void* priv, std::uint64_t,
                                       usb_redir_free_bulk_streams_header*) {
      Unexpected(priv, "free_bulk_streams");
    };
    parser.start_bulk_receiving_func = [](void* priv, std::uint64_t,
                                          usb_redir_start_bulk_receiving_header*) {
      Unexpected(priv, "start_bulk_receiving");
    };
    parser.stop_bulk_receiving_func = [](void* priv, std::uint64_t,
                                         usb_redir_stop_bulk_receiving_header*) {
      Unexpected(priv, "stop_bulk_receiving");
    };
    parser.bulk_packet_func = [](void* priv, std::uint64_t, usb_redir_bulk_packet_header*,
                                 std::uint8_t* data,
                                 int) { UnexpectedData(priv, "bulk_packet", data); };
    parser.iso_packet_func = [](void* priv, std::uint64_t, usb_redir_iso_packet_header*,
                                std::uint8_t* data,
                                int) { UnexpectedData(priv, "iso_packet", data); };
    parser.buffered_bulk_packet_func =
        [](void* priv, std::uint64_t, usb_redir_buffered_bulk_packet_header*, std::uint8_t* data,
           int) { UnexpectedData(priv, "buffered_bulk_packet", data); };
    parser.device_connect_func = [](void* priv, usb_redir_device_connect_header*) {
      Unexpected(priv, "device_connect");
    };
    parser.device_disconnect_func = [](void* priv) { Unexpected(priv, "device_disconnect"); };
    parser.interface_info_func = [](void* priv, usb_redir_interface_info_header*) {
      Unexpected(priv, "interface_info");
    };
    parser.ep_info_func = [](void* priv, usb_redir_ep_info_header*) {
      Unexpected(priv, "ep_info");
    };
    parser.configuration_status_func = [](void* priv, std::uint64_t,
                                          usb_redir_configuration_status_header*) {
      Unexpected(priv, "configuration_status");
    };
    parser.alt_setting_status_func = [](void* priv, std::uint64_t,
                                        usb_redir_alt_setting_status_header*) {
      Unexpected(priv, "alt_setting_status");
    };
    parser.iso_stream_status_func = [](void* priv, std::uint64_t,
                                       usb_redir_iso_stream_status_header*) {
      Unexpected(priv, "iso_stream_status");
    };
    parser.interrupt_receiving_status_func = [](void* priv, std::uint64_t,
                                                usb_redir_interrupt_receiving_status_header*) {
      Unexpected(priv, "interrupt_receiving_status");
    };
    parser.bulk_streams_status_func = [](void* priv, std::uint64_t,
                                         usb_redir_bulk_streams_status_header*) {
      Unexpected(priv, "bulk_streams_status");
    };
    parser.bulk_receiving_status_func = [](void* priv, std::uint64_t,
                                           usb_redir_bulk_receiving_status_header*) {
      Unexpected(priv, "bulk_receiving_status");
    };
  }
};

void RedirDevice::ParserDeleter::operator()(usbredirparser* parser) const {
  usbredirparser_destroy(parser);
}

RedirDevice::RedirDevice(sim::SimDeviceConfig config, UsbIdentity identity)
    : model_(config),
      identity_(identity),
      descriptors_(BuildDescriptors(identity, config)),
      assembler_(descriptors_.outputReportLength) {}

RedirDevice::~RedirDevice() = default;

int RedirDevice::Descriptor() const {
  return connection_ ? connection_->get() : -1;
}

bool RedirDevice::WantsToWrite() const {
  return parser_ && usbredirparser_has_data_to_write(parser_.get()) > 0;
}

std::string RedirDevice::Connect(int connection) {
  Disconnect();
  connection_ = std::make_unique<FileDescriptor>(connection);
  parser_.reset(usbredirparser_create());
  if (!parser_) {
    Disconnect();
    return "usbredirparser_create: out of memory";
  }
  parser_->priv = this;
  Callbacks::Install(*parser_);
  std::uint32_t caps[USB_REDIR_CAPS_SIZE] = {};
  for (const int cap : {usb_redir_cap_connect_device_version, usb_redir_cap_filter,
                        usb_redir_cap_device_disconnect_ack, usb_redir_cap_ep_info_max_packet_size,
                        usb_redir_cap_64bits_ids}) {
    usbredirparser_caps_set_cap(caps, cap);
  }
  // Queues the greeting; the device follows the peer's.
  usbredirparser_init(parser_.get(), kParserVersion, caps, USB_REDIR_CAPS_SIZE,
                      usbredirparser_fl_usb_host);
  return Flush();
}

void RedirDevice::Greeted() {
  if (gone_) return;
  usb_redir_interface_info_header interfaces{};
  interfaces.interface_count = 1;
  interfaces.interface[0] = kInterfaceNumber;
  interfaces.interface_class[0] = kHidInterfaceClass;
  interfaces.interface_subclass[0] = kNoSubclass;
  interfaces.interface_protocol[0] = kNoProtocol;
  usbredirparser_send_interface_info(parser_.get(), &interfaces);

  usb_redir_ep_info_header endpoints{};
  std::memset(endpoints.type, usb_redir_type_invalid, sizeof endpoints.type);
  PutEndpoint(endpoints, 0, usb_redir_type_control, 0);
  PutEndpoint(endpoints, kEndpointZeroIn, usb_redir_type_control, 0);
  PutEndpoint(endpoints, kInterruptInEndpoint, usb_redir_type_interrupt, kPollingIntervalFrames);
  if (descriptors_.outEndpoint) {
    PutEndpoint(endpoints, kInterruptOutEndpoint, usb_redir_type_interrupt, kPollingIntervalFrames);
  }
  usbredirparser_send_ep_info(parser_.get(), &endpoints);

  usb_redir_device_connect_header device{};
  device.speed = usb_redir_speed_full;
  device.device_class = kClassPerInterface;
  device.device_subclass = kNoSubclass;
  device.device_protocol = kNoProtocol;
  device.vendor_id = identity_.vendorId;
  device.product_id = identity_.productId;
  device.device_version_bcd = identity_.release;
  usbredirparser_send_device_connect(parser_.get(), &device);
}

bool RedirDevice::StallsBlock(std::span<const std::uint8_t> report) const {
  const sim::DeviceCounters counters = model_.Counters();
  return !stallPlayed_ && model_.Config().stallAtBlock == counters.blocksAccepted &&
         counters.transfer == sim::TransferState::Receiving && !report.empty() &&
         report[0] == kDataReportId;
}

void RedirDevice::TakeOutput(std::vector<std::uint8_t> report) {
  sim::DeviceResponse response = model_.HandleOutputReport(report);
  if (response.unplug) {
    LeaveBus();
    return;
  }
  for (sim::TimedReply& reply : response.replies) {
    pending_.push_back({now_ + reply.delay, std::move(reply.report)});
  }
}

void RedirDevice::LeaveBus() {
  gone_ = true;
  pending_.clear();
  if (model_.Config().disconnectAtBlock == model_.Counters().blocksAccepted) {
    usbredirparser_send_device_disconnect(parser_.get());
  } else {
    closeConnection_ = true;  // unplugged: the connection ends as a pulled cable would
  }
}

void RedirDevice::Fail(std::string error) {
  if (error_.empty()) error_ = std::move(error);
  closeConnection_ = true;
}

std::string RedirDevice::HandleReadable(Clock::time_point now) {
  if (!parser_) return {};
  now_ = now;
  const int result = usbredirparser_do_read(parser_.get());
  if (result == usbredirparser_read_parse_error && error_.empty()) {
    error_ = "a broken usbredir message";
    if (!lastParserError_.empty()) error_ += " (" + lastParserError_ + ")";
  }
  std::string error = std::exchange(error_, {});
  if (!error.empty() || closeConnection_ || peerClosed_) {
    Disconnect();
    return error;
  }
  return Flush();
}

std::string RedirDevice::HandleWritable() {
  return parser_ ? Flush() : std::string();
}

std::optional<Clock::time_point> RedirDevice::NextDue() const {
  if (!parser_ || !interruptInStarted_ || pending_.empty()) return std::nullopt;
  return pending_.front().due;
}

std::string RedirDevice::SendDue(Clock::time_point now) {
  if (!parser_ || !interruptInStarted_) return {};
  bool sent = false;
  // Only the front is taken, so a reply never overtakes the one sent ahead of it.
  while (!pending_.empty() && pending_.front().due <= now) {
    for (const std::span<const std::uint8_t> packet : SplitIntoPackets(pending_.front().report)) {
      std::array<std::uint8_t, kMaxPacketSize> bytes{};
      std::copy(packet.begin(), packet.end(), bytes.begin());
      usb_redir_interrupt_packet_header header{};
      header.endpoint = kInterruptInEndpoint;
      header.status = usb_redir_success;
      header.length = static_cast<std::uint16_t>(packet.size());
      usbredirparser_send_interrupt_packet(parser_.get(), nextPacketId_++, &header, bytes.data(),
                                           static_cast<int>(packet.size()));
    }
    pending_.pop_front();
    sent = true;
  }
  return sent ? Flush() : std::string();
}

std::string RedirDevice::Flush() {
  const bool failed = usbredirparser_do_write(parser_.get()) < 0;
  std::string error = std::exchange(error_, {});
  if (peerClosed_ || !error.empty()) {
    Disconnect();
    return error;
  }
  if (failed) return "write(usbredir): the connection failed";
  return {};
}

void RedirDevice::Disconnect() {
  parser_.reset();
  connection_.reset();
  pending_.clear();
  assembler_.Reset();
  configuration_ = 0;
  interruptInStarted_ = false;
  outHalted_ = false;
  closeConnection_ = false;
  peerClosed_ = false;
  lastParserError_.clear();
}

}  // namespace kr55le::usb
