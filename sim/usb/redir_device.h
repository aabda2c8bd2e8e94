// One simulated KR-55LE as the USB host side of a usbredir connection (libusbredirparser): it
// presents the device to QEMU's usb-redir, answers its control requests, takes its interrupt
// OUT packets and SET_REPORT data as reports for the shared device model, and sends the model's
// replies as interrupt IN packets, each when it is due. Single-threaded: the owner polls
// Descriptor() and calls the rest.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/file_descriptor.h"
#include "sim/device_model.h"
#include "sim/usb/interrupt_packets.h"
#include "sim/usb/usb_descriptors.h"

struct usbredirparser;

namespace kr55le::usb {

using Clock = std::chrono::steady_clock;

// Each call that may fail gives an empty text when it succeeded, else what failed; a failed
// device has ended its connection.
class RedirDevice {
 public:
  RedirDevice(sim::SimDeviceConfig config, UsbIdentity identity);
  ~RedirDevice();
  RedirDevice(const RedirDevice&) = delete;
  RedirDevice& operator=(const RedirDevice&) = delete;

  // Takes `connection` (a connected stream socket) and greets the peer; the device follows
  // once the peer's greeting has arrived. A connection already there is dropped.
  std::string Connect(int connection);
  bool Connected() const { return connection_ != nullptr; }
  // The connection's descriptor, -1 when there is none.
  int Descriptor() const;
  bool WantsToWrite() const;

  // Reads what arrived and answers it. The peer closing the connection is no failure: the
  // device is then no longer Connected().
  std::string HandleReadable(Clock::time_point now);
  std::string HandleWritable();
  // When the next reply is due; nothing while none can go out.
  std::optional<Clock::time_point> NextDue() const;
  std::string SendDue(Clock::time_point now);

  // Whether the model left the bus (unplug-at or disconnect-at); it never comes back.
  bool Gone() const { return gone_; }
  const sim::DeviceModel& Model() const { return model_; }

 private:
  // The parser's callbacks, one per message from the peer, and its input and output.
  struct Callbacks;
  struct Pending {
    Clock::time_point due;
    std::vector<std::uint8_t> report;
  };
  struct ParserDeleter {
    void operator()(usbredirparser* parser) const;
  };

  void Greeted();
  // Whether a report that begins so is the block stall-at names, not stalled yet.
  bool StallsBlock(std::span<const std::uint8_t> report) const;
  void TakeOutput(std::vector<std::uint8_t> report);
  void LeaveBus();
  void Fail(std::string error);
  std::string Flush();
  void Disconnect();

  sim::DeviceModel model_;
  const UsbIdentity identity_;
  const UsbDescriptors descriptors_;
  ReportAssembler assembler_;
  std::deque<Pending> pending_;
  std::unique_ptr<FileDescriptor> connection_;
  std::unique_ptr<usbredirparser, ParserDeleter> parser_;
  Clock::time_point now_{};  // of the message being handled
  std::uint8_t configuration_ = 0;
  bool interruptInStarted_ = false;
  // stall-at: the interrupt OUT endpoint halted, until the host clears it (or configures or
  // resets the device); and the stall played, once for the model.
  bool outHalted_ = false;
  bool stallPlayed_ = false;
  bool gone_ = false;
  bool closeConnection_ = false;  // the cable is pulled as soon as the parser returns
  bool peerClosed_ = false;
  std::uint64_t nextPacketId_ = 0;
  std::string error_;            // the first failure while the parser ran
  std::string lastParserError_;  // what the parser logged last at its error level
};

}  // namespace kr55le::usb
