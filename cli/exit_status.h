// The exit statuses of kr55le-flash.
#pragma once

namespace kr55le {

inline constexpr int kExitDone = 0;          // the command reached its goal
inline constexpr int kExitNotDone = 1;       // it did not; the last message line says why
inline constexpr int kExitUsage = 2;         // wrong usage
inline constexpr int kExitNoPermission = 3;  // the device is there but may not be opened
inline constexpr int kExitOtherDevice = 4;   // it answers with another serial number than --serial

}  // namespace kr55le
