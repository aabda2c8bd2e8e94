// A chosen file's name as the system spells it. A Linux file name is bytes, not always UTF-8:
// a QString holds such a name with replacement characters, which name no file, while the
// chooser's URL keeps every byte percent-encoded.
#pragma once

#include <QUrl>
#include <optional>
#include <string>

namespace kr55le::qt {

// The file's path, byte for byte; nothing when the URL names no local file.
std::optional<std::string> LocalFileName(const QUrl& url);

}  // namespace kr55le::qt
