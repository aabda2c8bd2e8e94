#include "platform/linux/report_descriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "tests/platform/linux/descriptors.h"

namespace kr55le {
namespace {

using testing::Bytes;
using testing::kVendorNumbered;

// Input, output, feature.
using Lengths = std::array<int, 3>;

Lengths LengthsOf(const hid::HidCaps& caps) {
  return {caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength};
}

// `bytes` with `item` inserted at `at`, or at its end.
Bytes Inserted(Bytes bytes, const Bytes& item, std::size_t at = SIZE_MAX) {
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size())),
               item.begin(), item.end());
  return bytes;
}

struct DescriptorCase {
  std::string name;
  Bytes descriptor;
  Lengths expected;
  friend void PrintTo(const DescriptorCase& row, std::ostream* out) { *out << row.name; }
};

// Each expected length is worked out by hand: 8 bits for the ID byte, plus size x count of each
// field of that report, rounded up to bytes.
const DescriptorCase kCases[] = {
    // Input 8: 8 + 63 x 8 = 512 bits; outputs 1 and 2: 8 + 1023 x 8 = 8192 bits.
    {"VendorPageNumberedReports", kVendorNumbered, {64, 1024, 0}},
    // No report IDs: the ID byte still counts, 8 + 64 x 8 = 520 bits.
    {"VendorPageWithoutReportIds", testing::kVendorUnnumbered, {65, 65, 0}},
    // Input 8 + 8 + 8 (constant) + 48 = 72 bits; output 8 + 5 + 3 (constant) = 16 bits.
    {"BootKeyboard", testing::kBootKeyboard, {9, 2, 0}},
    // Input 1: 8 + 3 + 5 + 2 x 8 + 8 = 40 bits; feature 2: 8 + 2 x 16 = 40 bits.
    {"MouseWithPushAndPop", testing::kMouseWithPushPop, {5, 0, 5}},
    // Cut inside the data of Report Count (1023), after a complete input report.
    {"TruncatedShortItem", Bytes(kVendorNumbered.begin(), kVendorNumbered.begin() + 26), {0, 0, 0}},
    // Its data read as short items would be Report ID 9 and Report Count 127.
    {"LongItemIsSkipped",
     Inserted(kVendorNumbered, {0xFE, 0x04, 0xF0, 0x85, 0x09, 0x95, 0x7F}, 18),
     {64, 1024, 0}},
    {"TruncatedLongItem", Inserted(kVendorNumbered, {0xFE, 0x04, 0xF0, 0x01, 0x02}), {0, 0, 0}},
    {"PopWithoutPush", Inserted(testing::kBootKeyboard, {0xB4}), {0, 0, 0}},
    {"PushesBeyondTheStack",
     Inserted(Bytes(kMaxPushDepth + 1, 0xA4), {0x75, 0x08, 0x95, 0x01, 0x81, 0x02}),
     {0, 0, 0}},
    {"AbsurdSizeAndCount",
     {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02},
     {0, 0, 0}},
    // 8 + 65534 x 8 = 524280 bits, the largest report a 16-bit length holds.
    {"LargestReportThatFits", {0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02}, {65535, 0, 0}},
    // 8 + 65535 x 8 bits would be 65536 bytes.
    {"ReportOneByteTooLong", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02}, {0, 0, 0}},
    // Each field of 32768 bytes fits; together they do not.
    {"FieldsTooLongTogether", {0x75, 0x08, 0x96, 0x00, 0x80, 0x81, 0x02, 0x81, 0x02}, {0, 0, 0}},
    // Count 0x80 is 128, not -128: 8 + 128 x 8 = 1032 bits.
    {"CountsAreUnsigned", {0x75, 0x08, 0x95, 0x80, 0x81, 0x02}, {129, 0, 0}},
    // Count 4 in four data bytes: 8 + 4 x 8 = 40 bits.
    {"FourByteItemData", {0x75, 0x08, 0x97, 0x04, 0x00, 0x00, 0x00, 0x81, 0x02}, {5, 0, 0}},
    // 8 + 3 x 1 = 11 bits.
    {"RoundsBitsUpToBytes", {0x75, 0x01, 0x95, 0x03, 0x81, 0x02}, {2, 0, 0}},
    // Reports 1, 2, 3 of 3, 10, 5 bytes.
    {"LargestReportOfEachType",
     {0x75, 0x08, 0x85, 0x01, 0x95, 0x03, 0x81, 0x02, 0x85, 0x02,
      0x95, 0x0A, 0x81, 0x02, 0x85, 0x03, 0x95, 0x05, 0x81, 0x02},
     {11, 0, 0}},
    // Input and feature report 5 are tallied apart: 8 + 2 x 8 and 8 + 7 x 8 bits.
    {"SameIdInTwoTypes",
     {0x85, 0x05, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0x95, 0x07, 0xB1, 0x02},
     {3, 0, 8}},
    // String Index and String Maximum carry the tags of Report Size and Report Count.
    {"LocalItemsDoNotCount",
     {0x75, 0x08, 0x95, 0x04, 0x79, 0x10, 0x99, 0x20, 0x81, 0x02},
     {5, 0, 0}},
    {"ReportIdZeroIsMalformed", {0x85, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02}, {0, 0, 0}},
    {"EmptyDescriptorHasNoReports", {}, {0, 0, 0}},
};

class ReportDescriptorTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(ReportDescriptorTest, GivesTheWindowsReportLengths) {
  EXPECT_EQ(LengthsOf(ParseReportDescriptor(GetParam().descriptor)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Descriptors, ReportDescriptorTest, ::testing::ValuesIn(kCases),
                         [](const auto& testCase) { return testCase.param.name; });

TEST(ReportDescriptor, PrefixesNeverExceedTheWholeDescriptor) {
  const Bytes descriptor = testing::kMouseWithPushPop;
  for (std::size_t length = 0; length <= descriptor.size(); ++length) {
    const hid::HidCaps caps = ParseReportDescriptor(std::span(descriptor).first(length));
    EXPECT_LE(caps.InputReportByteLength, 5) << "prefix of " << length << " bytes";
  }
}

}  // namespace
}  // namespace kr55le
