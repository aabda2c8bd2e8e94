#include "platform/qt/local_file_name.h"

#include <QByteArray>

namespace kr55le::qt {

std::optional<std::string> LocalFileName(const QUrl& url) {
  if (!url.isLocalFile()) return std::nullopt;
  // Fully encoded, the path is ASCII; decoding the percent signs gives back the system's bytes.
  const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

}  // namespace kr55le::qt
