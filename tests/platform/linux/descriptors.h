// Report descriptors shaped like those of real devices, for the parser and the backend tests.
#pragma once

#include <cstdint>
#include <vector>

namespace kr55le::testing {

using Bytes = std::vector<std::uint8_t>;

// A vendor page with numbered reports: input 8 of 63 bytes, outputs 1 and 2 of 1023 bytes.
inline Bytes VendorNumbered() {
  return {
      0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
      0x09, 0x01,        // Usage (1)
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        //   Logical Minimum (0)
      0x26, 0xFF, 0x00,  //   Logical Maximum (255)
      0x75, 0x08,        //   Report Size (8)
      0x85, 0x08,        //   Report ID (8)
      0x95, 0x3F,        //   Report Count (63)
      0x09, 0x02,        //   Usage (2)
      0x81, 0x02,        //   Input (Data, Variable, Absolute)
      0x85, 0x01,        //   Report ID (1)
      0x96, 0xFF, 0x03,  //   Report Count (1023)
      0x09, 0x03,        //   Usage (3)
      0x91, 0x02,        //   Output (Data, Variable, Absolute)
      0x85, 0x02,        //   Report ID (2)
      0x09, 0x04,        //   Usage (4)
      0x91, 0x02,        //   Output (Data, Variable, Absolute)
      0xC0,              // End Collection
  };
}

// The same page without report IDs: one input and one output report of 64 bytes.
inline Bytes VendorUnnumbered() {
  return {
      0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
      0x09, 0x01,        // Usage (1)
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        //   Logical Minimum (0)
      0x26, 0xFF, 0x00,  //   Logical Maximum (255)
      0x75, 0x08,        //   Report Size (8)
      0x95, 0x40,        //   Report Count (64)
      0x09, 0x02,        //   Usage (2)
      0x81, 0x02,        //   Input (Data, Variable, Absolute)
      0x09, 0x03,        //   Usage (3)
      0x91, 0x02,        //   Output (Data, Variable, Absolute)
      0xC0,              // End Collection
  };
}

// HID 1.11, appendix B.1: the boot keyboard.
inline Bytes BootKeyboard() {
  return {
      0x05, 0x01,  // Usage Page (Generic Desktop)
      0x09, 0x06,  // Usage (Keyboard)
      0xA1, 0x01,  // Collection (Application)
      0x05, 0x07,  //   Usage Page (Key Codes)
      0x19, 0xE0,  //   Usage Minimum (224)
      0x29, 0xE7,  //   Usage Maximum (231)
      0x15, 0x00,  //   Logical Minimum (0)
      0x25, 0x01,  //   Logical Maximum (1)
      0x75, 0x01,  //   Report Size (1)
      0x95, 0x08,  //   Report Count (8)
      0x81, 0x02,  //   Input (Data, Variable, Absolute): modifier byte
      0x95, 0x01,  //   Report Count (1)
      0x75, 0x08,  //   Report Size (8)
      0x81, 0x01,  //   Input (Constant): reserved byte
      0x95, 0x05,  //   Report Count (5)
      0x75, 0x01,  //   Report Size (1)
      0x05, 0x08,  //   Usage Page (LEDs)
      0x19, 0x01,  //   Usage Minimum (1)
      0x29, 0x05,  //   Usage Maximum (5)
      0x91, 0x02,  //   Output (Data, Variable, Absolute): LED report
      0x95, 0x01,  //   Report Count (1)
      0x75, 0x03,  //   Report Size (3)
      0x91, 0x01,  //   Output (Constant): LED report padding
      0x95, 0x06,  //   Report Count (6)
      0x75, 0x08,  //   Report Size (8)
      0x15, 0x00,  //   Logical Minimum (0)
      0x25, 0x65,  //   Logical Maximum (101)
      0x05, 0x07,  //   Usage Page (Key Codes)
      0x19, 0x00,  //   Usage Minimum (0)
      0x29, 0x65,  //   Usage Maximum (101)
      0x81, 0x00,  //   Input (Data, Array): key codes
      0xC0,        // End Collection
  };
}

// A wheel mouse whose feature report is declared between Push and Pop.
inline Bytes MouseWithPushPop() {
  return {
      0x05, 0x01,  // Usage Page (Generic Desktop)
      0x09, 0x02,  // Usage (Mouse)
      0xA1, 0x01,  // Collection (Application)
      0x85, 0x01,  //   Report ID (1)
      0x09, 0x01,  //   Usage (Pointer)
      0xA1, 0x00,  //   Collection (Physical)
      0x05, 0x09,  //     Usage Page (Button)
      0x19, 0x01,  //     Usage Minimum (1)
      0x29, 0x03,  //     Usage Maximum (3)
      0x15, 0x00,  //     Logical Minimum (0)
      0x25, 0x01,  //     Logical Maximum (1)
      0x95, 0x03,  //     Report Count (3)
      0x75, 0x01,  //     Report Size (1)
      0x81, 0x02,  //     Input (Data, Variable, Absolute): buttons
      0x95, 0x01,  //     Report Count (1)
      0x75, 0x05,  //     Report Size (5)
      0x81, 0x01,  //     Input (Constant): padding
      0x05, 0x01,  //     Usage Page (Generic Desktop)
      0x09, 0x30,  //     Usage (X)
      0x09, 0x31,  //     Usage (Y)
      0x15, 0x81,  //     Logical Minimum (-127)
      0x25, 0x7F,  //     Logical Maximum (127)
      0x75, 0x08,  //     Report Size (8)
      0x95, 0x02,  //     Report Count (2)
      0xA4,        //     Push
      0x85, 0x02,  //     Report ID (2)
      0x75, 0x10,  //     Report Size (16)
      0x09, 0x48,  //     Usage (Resolution Multiplier)
      0x09, 0x48,  //     Usage (Resolution Multiplier)
      0xB1, 0x02,  //     Feature (Data, Variable, Absolute)
      0xB4,        //     Pop: report 1, size 8, count 2 again
      0x81, 0x06,  //     Input (Data, Variable, Relative): X, Y
      0x09, 0x38,  //     Usage (Wheel)
      0x95, 0x01,  //     Report Count (1)
      0x81, 0x06,  //     Input (Data, Variable, Relative): wheel
      0xC0,        //   End Collection
      0xC0,        // End Collection
  };
}

}  // namespace kr55le::testing
