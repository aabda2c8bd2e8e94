// The descriptors as the host's USB and HID drivers read them, and the answers on endpoint 0.
#include "platform/usb/usb_descriptors.h"

#include <gtest/gtest.h>

#include "platform/linux/report_descriptor.h"
#include "platform/usb/control_requests.h"

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
    sim::SimDeviceConfig config;
    config.outEndpoint = c.outEndpoint;
    const UsbDescriptors descriptors = DescriptorsOf(config);
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
  std::vector<std::uint8_t> data;        // host to device
  std::optional<std::size_t> answered;   // bytes answered; nothing for a stall
  std::vector<std::uint8_t> startsWith;  // of the answer
  bool description = true;
};

TEST(UsbDescriptors, EndpointZeroAnswersWhatTheHostDriversAsk) {
  const std::vector<std::uint8_t> request = NumberedReport(0x01, 1024);
  const ControlCase cases[] = {
      {"device, first 8 bytes", {0x80, 0x06, 0x0100, 0, 8}, {}, 8, {18, 0x01, 0x00, 0x02}},
      {"device, whole",
       {0x80, 0x06, 0x0100, 0, 64},
       {},
       18,
       {18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64, 0x83, 0x04, 0x50, 0x57, 0x00, 0x01, 1, 2, 3}},
      {"device without strings",
       {0x80, 0x06, 0x0100, 0, 64},
       {},
       18,
       {18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64, 0x83, 0x04, 0x50, 0x57, 0x00, 0x01, 0, 0, 3},
       false},
      {"configuration head", {0x80, 0x06, 0x0200, 0, 9}, {}, 9, {9, 0x02, 41, 0}},
      {"second configuration", {0x80, 0x06, 0x0201, 0, 9}, {}, std::nullopt, {}},
      {"languages", {0x80, 0x06, 0x0300, 0, 255}, {}, 4, {4, 0x03, 0x09, 0x04}},
      {"manufacturer",
       {0x80, 0x06, 0x0301, 0x0409, 255},
       {},
       38,
       StringBytes("STMicroelectronics")},
      {"product", {0x80, 0x06, 0x0302, 0x0409, 255}, {}, 28, StringBytes("Pardo KR-55LE")},
      {"serial", {0x80, 0x06, 0x0303, 0x0409, 255}, {}, 22, StringBytes("KR55LE0001")},
      {"product without strings", {0x80, 0x06, 0x0302, 0x0409, 255}, {}, std::nullopt, {}, false},
      {"no fourth string", {0x80, 0x06, 0x0304, 0x0409, 255}, {}, std::nullopt, {}},
      {"device qualifier", {0x80, 0x06, 0x0600, 0, 10}, {}, std::nullopt, {}},
      {"HID descriptor", {0x81, 0x06, 0x2100, 0, 9}, {}, 9, {9, 0x21, 0x11, 0x01}},
      {"report descriptor", {0x81, 0x06, 0x2200, 0, 4096}, {}, 51, {0x06, 0x00, 0xFF}},
      {"report descriptor of interface 1", {0x81, 0x06, 0x2200, 1, 4096}, {}, std::nullopt, {}},
      {"status", {0x80, 0x00, 0, 0, 2}, {}, 2, {0, 0}},
      {"clear endpoint halt", {0x02, 0x01, 0, 0x81, 0}, {}, 0, {}},
      {"set idle", {0x21, 0x0A, 0, 0, 0}, {}, 0, {}},
      {"get idle", {0xA1, 0x02, 0, 0, 1}, {}, 1, {0}},
      {"input report 8", {0xA1, 0x01, 0x0108, 0, 64}, {}, 64, {0x08, 0x00}},
      {"undeclared input report 2", {0xA1, 0x01, 0x0102, 0, 64}, {}, std::nullopt, {}},
      {"feature report", {0xA1, 0x01, 0x0301, 0, 64}, {}, std::nullopt, {}},
      {"output report 1", {0x21, 0x09, 0x0201, 0, 1024}, request, 0, {}},
      {"output report under another ID", {0x21, 0x09, 0x0202, 0, 1024}, request, std::nullopt, {}},
      {"output report too long",
       {0x21, 0x09, 0x0201, 0, 1025},
       NumberedReport(0x01, 1025),
       std::nullopt,
       {}},
      {"vendor request", {0xC0, 0x01, 0, 0, 8}, {}, std::nullopt, {}},
  };
  for (const ControlCase& c : cases) {
    sim::SimDeviceConfig config;
    config.hasDescription = c.description;
    const ControlAnswer answer = AnswerControl(c.setup, c.data, DescriptorsOf(config));
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

}  // namespace
}  // namespace kr55le::usb
