#include "sim/uhid/uhid_event.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kr55le::uhid {
namespace {

constexpr std::size_t kTypeBytes = sizeof(uhid_event::type);

EventBytes ToBytes(const uhid_event& event) {
  EventBytes bytes(kEventSize);
  std::memcpy(bytes.data(), &event, kEventSize);
  return bytes;
}

uhid_event NewEvent(std::uint32_t type) {
  uhid_event event;
  std::memset(&event, 0, sizeof event);
  event.type = type;
  return event;
}

// The bytes up to and including the named field of the union must have arrived.
bool Holds(std::span<const std::uint8_t> bytes, std::size_t fieldsEnd) {
  return bytes.size() >= kTypeBytes + fieldsEnd;
}

}  // namespace

std::optional<EventBytes> EncodeCreate(const UhidIdentity& identity,
                                       std::span<const std::uint8_t> reportDescriptor) {
  uhid_event event = NewEvent(UHID_CREATE2);
  uhid_create2_req& create = event.u.create2;
  if (reportDescriptor.size() > sizeof create.rd_data || identity.name.size() > kMaxNameBytes) {
    return std::nullopt;
  }
  std::copy(identity.name.begin(), identity.name.end(), create.name);
  create.rd_size = static_cast<std::uint16_t>(reportDescriptor.size());
  create.bus = kBusUsb;
  create.vendor = identity.vendorId;
  create.product = identity.productId;
  create.version = identity.version;
  std::copy(reportDescriptor.begin(), reportDescriptor.end(), create.rd_data);
  return ToBytes(event);
}

std::optional<EventBytes> EncodeInput(std::span<const std::uint8_t> report) {
  if (report.size() > kMaxReportBytes) return std::nullopt;
  uhid_event event = NewEvent(UHID_INPUT2);
  event.u.input2.size = static_cast<std::uint16_t>(report.size());
  std::copy(report.begin(), report.end(), event.u.input2.data);
  return ToBytes(event);
}

EventBytes EncodeDestroy() {
  return ToBytes(NewEvent(UHID_DESTROY));
}

EventBytes EncodeGetReportReply(std::uint32_t requestId, std::uint16_t error) {
  uhid_event event = NewEvent(UHID_GET_REPORT_REPLY);
  event.u.get_report_reply.id = requestId;
  event.u.get_report_reply.err = error;
  return ToBytes(event);
}

EventBytes EncodeSetReportReply(std::uint32_t requestId, std::uint16_t error) {
  uhid_event event = NewEvent(UHID_SET_REPORT_REPLY);
  event.u.set_report_reply.id = requestId;
  event.u.set_report_reply.err = error;
  return ToBytes(event);
}

std::optional<ReadEvent> DecodeEvent(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kTypeBytes) return std::nullopt;
  uhid_event event = NewEvent(0);
  std::memcpy(&event, bytes.data(), std::min(bytes.size(), kEventSize));
  ReadEvent read;
  switch (event.type) {
    case UHID_START:
      read.kind = EventKind::Start;
      break;
    case UHID_STOP:
      read.kind = EventKind::Stop;
      break;
    case UHID_OPEN:
      read.kind = EventKind::Open;
      break;
    case UHID_CLOSE:
      read.kind = EventKind::Close;
      break;
    case UHID_OUTPUT: {
      const uhid_output_req& output = event.u.output;
      if (!Holds(bytes, offsetof(uhid_output_req, rtype) + sizeof output.rtype))
        return std::nullopt;
      if (output.size > sizeof output.data) return std::nullopt;
      read.kind = EventKind::Output;
      read.report.assign(output.data, output.data + output.size);
      break;
    }
    case UHID_GET_REPORT:
      if (!Holds(bytes, sizeof(uhid_get_report_req))) return std::nullopt;
      read.kind = EventKind::GetReport;
      read.requestId = event.u.get_report.id;
      break;
    case UHID_SET_REPORT:
      if (!Holds(bytes, offsetof(uhid_set_report_req, data))) return std::nullopt;
      read.kind = EventKind::SetReport;
      read.requestId = event.u.set_report.id;
      break;
    default:
      read.kind = EventKind::Other;
      break;
  }
  return read;
}

}  // namespace kr55le::uhid
