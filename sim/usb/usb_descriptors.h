// What the KR-55LE presents on the USB link: a full-speed device with one HID interface, its
// interrupt endpoints, strings and report descriptor (USB 2.0, 9.6; HID 1.11, 6.2). Which of
// these are assumptions about the real device is told in docs/usb-device.md.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/model_descriptor.h"
#include "sim/sim_device_config.h"

namespace kr55le::usb {

// USB 2.0, table 9-5: descriptor types; HID 1.11, 7.1: the class descriptors.
inline constexpr std::uint8_t kDescriptorDevice = 0x01;
inline constexpr std::uint8_t kDescriptorConfiguration = 0x02;
inline constexpr std::uint8_t kDescriptorString = 0x03;
inline constexpr std::uint8_t kDescriptorInterface = 0x04;
inline constexpr std::uint8_t kDescriptorEndpoint = 0x05;
inline constexpr std::uint8_t kDescriptorHid = 0x21;
inline constexpr std::uint8_t kDescriptorReport = 0x22;

// Endpoint 0 and both interrupt endpoints: the most a full-speed interrupt packet holds.
inline constexpr std::size_t kMaxPacketSize = 64;
inline constexpr std::uint8_t kInterruptInEndpoint = 0x81;
inline constexpr std::uint8_t kInterruptOutEndpoint = 0x01;
inline constexpr std::uint8_t kPollingIntervalFrames = 1;  // one 1 ms frame at full speed
inline constexpr std::uint8_t kInterfaceNumber = 0;
inline constexpr std::uint8_t kAlternateSetting = 0;
inline constexpr std::uint8_t kConfigurationValue = 1;
inline constexpr std::uint8_t kClassPerInterface = 0x00;  // the device's own class
inline constexpr std::uint8_t kHidInterfaceClass = 0x03;
inline constexpr std::uint8_t kNoSubclass = 0x00;  // not a boot device
inline constexpr std::uint8_t kNoProtocol = 0x00;

// String descriptor indexes; 0 is the list of languages.
inline constexpr std::uint8_t kLanguagesIndex = 0;
inline constexpr std::uint8_t kManufacturerIndex = 1;
inline constexpr std::uint8_t kProductIndex = 2;
inline constexpr std::uint8_t kSerialIndex = 3;
inline constexpr std::uint8_t kNoString = 0;

// The maker of the microcontroller that vendor ID 0483 belongs to.
inline constexpr char kManufacturer[] = "STMicroelectronics";

struct UsbIdentity {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t release = 0;  // bcdDevice
  std::string manufacturer;   // each empty string: no such string descriptor
  std::string product;
  std::string serial;
};

// The model's identity as a USB device: the simulated one, or the recorded one it replays.
UsbIdentity IdentityOf(const sim::SimDeviceConfig& config);

struct UsbDescriptors {
  std::vector<std::uint8_t> device;
  // The configuration with its interface, HID and endpoint descriptors, as one block.
  std::vector<std::uint8_t> configuration;
  std::vector<std::uint8_t> hid;  // the HID descriptor alone, as GET_DESCRIPTOR(HID) gives it
  std::vector<std::uint8_t> report;
  std::vector<std::vector<std::uint8_t>> strings;  // by index; an empty one is absent
  // The longest reports the report descriptor declares, ID byte included.
  std::uint16_t inputReportLength = 0;
  std::uint16_t outputReportLength = 0;
  sim::InputReportIds inputReportIds{};  // those GET_REPORT answers
  bool outEndpoint = true;
};

UsbDescriptors BuildDescriptors(const UsbIdentity& identity, const sim::SimDeviceConfig& config);

// Nothing for an index the device has no string for.
std::optional<std::span<const std::uint8_t>> StringDescriptor(const UsbDescriptors& descriptors,
                                                              std::uint8_t index);

}  // namespace kr55le::usb
