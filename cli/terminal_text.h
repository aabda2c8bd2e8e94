// Text a device sent, made safe for a terminal: a serial number or version may hold any bytes,
// and a control character among them (an escape sequence) would act on the terminal instead of
// being shown.
#pragma once

#include <string>
#include <string_view>

namespace kr55le {

// `text` with each control character (C0, DEL, C1) and each byte that is not part of valid
// UTF-8 written as \xNN; everything else as it stands.
std::string TerminalSafe(std::string_view text);

}  // namespace kr55le
