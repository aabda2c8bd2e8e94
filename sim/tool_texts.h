// The texts of the simulated devices' programs (kr55le-virtual-device, kr55le-usb-device). They
// are tools for developing and testing the utility, not the utility, and speak English only.
#pragma once

#include <string_view>

namespace kr55le::tool_text {

// The virtual device.
inline constexpr std::string_view kVirtualUsage =
    "usage: kr55le-virtual-device [OPTIONS] [SPEC]\n"
    "Plays simulated KR-55LE devices in upgrade mode through /dev/uhid, so that the window and\n"
    "kr55le-flash meet them as real hidraw devices. SPEC is kr55le-flash's --simulate list\n"
    "(KEY=VALUE,...; none for one device in firmware upgrade mode). Ctrl+C or SIGTERM ends it.\n"
    "options:\n"
    "  --dump FILE           at the end, write the payload the device assembled to FILE (with\n"
    "                        several, one file each, its serial number before the extension)\n"
    "  --help                print this text\n";
inline constexpr std::string_view kVirtualErrorPrefix = "kr55le-virtual-device: ";
// At the end, for each device (kr55le-usb-device's too).
inline constexpr std::string_view kVirtualRequestsFormat =
    "%s requests: info=%u check=%u start=%u exit=%u\n";
inline constexpr std::string_view kUhidOpenFailedFormat =
    "cannot open %s: %s. It needs the uhid module (sudo modprobe uhid) and root, or a group "
    "that may open %s.";
inline constexpr std::string_view kVirtualStartedFormat =
    "%zu virtual %s on %s (vendor %04x, product %04x); Ctrl+C or SIGTERM ends it\n";
inline constexpr std::string_view kVirtualChatter = "chatter is not played through the kernel";
inline constexpr std::string_view kVirtualLengthFormat =
    "report lengths above %zu bytes do not fit a uhid event";
inline constexpr std::string_view kVirtualSpecPrefix = "SPEC: ";
// The USB device.
inline constexpr std::string_view kUsbDeviceUsage =
    "usage: kr55le-usb-device [OPTIONS] [SPEC]\n"
    "Plays simulated KR-55LE devices in upgrade mode as full-speed USB HID devices for QEMU's\n"
    "usb-redir (-chardev socket,id=r0,path=SOCKET -device usb-redir,chardev=r0), so that the\n"
    "guest's USB and HID drivers meet them. SPEC is kr55le-flash's --simulate list\n"
    "(KEY=VALUE,...), and also out-endpoint=no (no interrupt OUT endpoint: output reports come\n"
    "as SET_REPORT), disconnect-at=N (the device leaves at block N while the connection\n"
    "stays; unplug-at=N ends the connection) and stall-at=N (at block N the OUT endpoint halts\n"
    "until the host clears it, or the SET_REPORT stalls once). Ctrl+C or SIGTERM ends it.\n"
    "options:\n"
    "  --socket PATH         the unix socket to listen on, kr55le-usb-device.sock unless given\n"
    "                        (with several devices, one each, its number from 1 before the\n"
    "                        extension: r.sock gives r-1.sock, r-2.sock, ...)\n"
    "  --dump FILE           at the end, write the payload the device assembled to FILE (with\n"
    "                        several, one file each, its serial number before the extension)\n"
    "  --help                print this text\n";
inline constexpr std::string_view kUsbDeviceErrorPrefix = "kr55le-usb-device: ";
inline constexpr std::string_view kUsbDeviceStartedFormat =
    "USB %s %s on %s (vendor %04x, product %04x); Ctrl+C or SIGTERM ends it\n";
inline constexpr std::string_view kUsbLengthFormat =
    "report lengths above %zu bytes do not fit QEMU's control transfers";
inline constexpr std::string_view kUsbSocketNotSocket = " is there and is not a socket";
inline constexpr std::string_view kUsbSocketTooLong = " is too long for a unix socket";

}  // namespace kr55le::tool_text
