#include "sim/usb/usb_descriptors.h"

#include "sim/model_descriptor.h"
#include "sim/replay_script.h"
#include "sim/sim_device_config.h"

namespace kr55le::usb {
namespace {

// USB 2.0, 9.6: each descriptor's length and the fields fixed for this device.
constexpr std::uint8_t kDeviceDescriptorLength = 18;
constexpr std::uint8_t kConfigurationDescriptorLength = 9;
constexpr std::uint8_t kInterfaceDescriptorLength = 9;
constexpr std::uint8_t kEndpointDescriptorLength = 7;
constexpr std::uint8_t kHidDescriptorLength = 9;
constexpr std::uint8_t kStringHeaderLength = 2;
// bLength is one byte, and each character takes two.
constexpr std::size_t kMaxStringCharacters = (0xFF - kStringHeaderLength) / 2;
constexpr std::uint16_t kUsbRelease = 0x0200;  // a USB 2.0 device that runs at full speed
constexpr std::uint8_t kConfigurationCount = 1;
constexpr std::uint8_t kInterfaceCount = 1;
constexpr std::uint8_t kBusPowered = 0x80;          // bit 7 is reserved and set
constexpr std::uint8_t kMaxPowerTwoMilliamps = 50;  // 100 mA
constexpr std::uint8_t kInterruptTransfer = 0x03;
constexpr std::uint16_t kHidRelease = 0x0111;
constexpr std::uint8_t kNotLocalized = 0x00;
constexpr std::uint8_t kClassDescriptorCount = 1;
constexpr std::uint16_t kEnglishUnitedStates = 0x0409;
constexpr unsigned kHighByteShift = 8;
constexpr std::uint16_t kLowByteMask = 0xFF;

void PutWord(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value & kLowByteMask));
  bytes.push_back(static_cast<std::uint8_t>(value >> kHighByteShift));
}

std::vector<std::uint8_t> DeviceDescriptor(const UsbIdentity& identity) {
  std::vector<std::uint8_t> bytes = {kDeviceDescriptorLength, kDescriptorDevice};
  PutWord(bytes, kUsbRelease);
  bytes.insert(bytes.end(), {kClassPerInterface, kNoSubclass, kNoProtocol,
                             static_cast<std::uint8_t>(kMaxPacketSize)});
  PutWord(bytes, identity.vendorId);
  PutWord(bytes, identity.productId);
  PutWord(bytes, identity.release);
  bytes.push_back(identity.manufacturer.empty() ? kNoString : kManufacturerIndex);
  bytes.push_back(identity.product.empty() ? kNoString : kProductIndex);
  bytes.push_back(identity.serial.empty() ? kNoString : kSerialIndex);
  bytes.push_back(kConfigurationCount);
  return bytes;
}

std::vector<std::uint8_t> HidDescriptor(std::size_t reportDescriptorLength) {
  std::vector<std::uint8_t> bytes = {kHidDescriptorLength, kDescriptorHid};
  PutWord(bytes, kHidRelease);
  bytes.insert(bytes.end(), {kNotLocalized, kClassDescriptorCount, kDescriptorReport});
  PutWord(bytes, static_cast<std::uint16_t>(reportDescriptorLength));
  return bytes;
}

void PutEndpoint(std::vector<std::uint8_t>& bytes, std::uint8_t address) {
  bytes.insert(bytes.end(),
               {kEndpointDescriptorLength, kDescriptorEndpoint, address, kInterruptTransfer});
  PutWord(bytes, static_cast<std::uint16_t>(kMaxPacketSize));
  bytes.push_back(kPollingIntervalFrames);
}

std::vector<std::uint8_t> ConfigurationDescriptor(const std::vector<std::uint8_t>& hid,
                                                  bool outEndpoint) {
  const std::uint8_t endpoints = outEndpoint ? 2 : 1;
  std::vector<std::uint8_t> bytes = {kConfigurationDescriptorLength, kDescriptorConfiguration};
  const std::size_t totalLength = kConfigurationDescriptorLength + kInterfaceDescriptorLength +
                                  hid.size() + std::size_t{endpoints} * kEndpointDescriptorLength;
  PutWord(bytes, static_cast<std::uint16_t>(totalLength));
  bytes.insert(bytes.end(), {kInterfaceCount, kConfigurationValue, kNoString, kBusPowered,
                             kMaxPowerTwoMilliamps});
  bytes.insert(bytes.end(), {kInterfaceDescriptorLength, kDescriptorInterface, kInterfaceNumber,
                             kAlternateSetting, endpoints, kHidInterfaceClass, kNoSubclass,
                             kNoProtocol, kNoString});
  bytes.insert(bytes.end(), hid.begin(), hid.end());
  PutEndpoint(bytes, kInterruptInEndpoint);
  if (outEndpoint) PutEndpoint(bytes, kInterruptOutEndpoint);
  return bytes;
}

// USB 2.0, 9.6.7: UTF-16LE; every text here is ASCII.
std::vector<std::uint8_t> TextDescriptor(const std::string& text) {
  if (text.empty()) return {};
  const std::string kept = text.substr(0, kMaxStringCharacters);
  std::vector<std::uint8_t> bytes = {
      static_cast<std::uint8_t>(kStringHeaderLength + 2 * kept.size()), kDescriptorString};
  for (const char character : kept) PutWord(bytes, static_cast<std::uint8_t>(character));
  return bytes;
}

// A length that leaves no room past the ID byte declares no report at all.
std::uint16_t DeclaredLength(std::uint16_t length) {
  return length > sim::kReportIdBytes ? length : 0;
}

}  // namespace

UsbIdentity IdentityOf(const sim::SimDeviceConfig& config) {
  if (config.replay) {
    const hid::HidAttributes& attributes = config.replay->attributes;
    return {attributes.VendorID,
            attributes.ProductID,
            attributes.VersionNumber,
            "",
            config.replay->description.value_or(""),
            config.serialNumber};
  }
  if (!config.hasDescription) {
    return {sim::kSimulatedVendorId, sim::kSimulatedProductId, sim::kSimulatedVersionNumber, "", "",
            config.serialNumber};
  }
  return {sim::kSimulatedVendorId, sim::kSimulatedProductId,   sim::kSimulatedVersionNumber,
          kManufacturer,           sim::kSimulatedDescription, config.serialNumber};
}

UsbDescriptors BuildDescriptors(const UsbIdentity& identity, const sim::SimDeviceConfig& config) {
  UsbDescriptors descriptors;
  descriptors.device = DeviceDescriptor(identity);
  descriptors.report = sim::BuildReportDescriptor(config);
  descriptors.hid = HidDescriptor(descriptors.report.size());
  descriptors.configuration = ConfigurationDescriptor(descriptors.hid, config.outEndpoint);
  std::vector<std::uint8_t> languages = {kStringHeaderLength + 2, kDescriptorString};
  PutWord(languages, kEnglishUnitedStates);
  descriptors.strings = {languages, TextDescriptor(identity.manufacturer),
                         TextDescriptor(identity.product), TextDescriptor(identity.serial)};
  descriptors.inputReportLength = DeclaredLength(config.inputReportLength);
  descriptors.outputReportLength = DeclaredLength(config.outputReportLength);
  descriptors.inputReportIds = sim::InputReportIdsOf(config);
  descriptors.outEndpoint = config.outEndpoint;
  return descriptors;
}

std::optional<std::span<const std::uint8_t>> StringDescriptor(const UsbDescriptors& descriptors,
                                                              std::uint8_t index) {
  if (index >= descriptors.strings.size() || descriptors.strings[index].empty()) return {};
  return std::span<const std::uint8_t>(descriptors.strings[index]);
}

}  // namespace kr55le::usb
