#include "sim/usb/listening_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "sim/tool_texts.h"

namespace kr55le::usb {
namespace {

constexpr int kBacklog = 1;  // one peer at a time

std::string SystemError(const char* call, const std::string& path, int error) {
  return std::string(call) + "(" + path + "): " + std::strerror(error);
}

}  // namespace

ListeningSocket::ListeningSocket(std::string path)
    : path_(std::move(path)), socket_(Listen(path_, error_)) {}

ListeningSocket::~ListeningSocket() {
  if (socket_.valid()) ::unlink(path_.c_str());
}

int ListeningSocket::Listen(const std::string& path, std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "'" + path + "'" + std::string(tool_text::kUsbSocketTooLong);
    return -1;
  }
  std::memcpy(address.sun_path, path.data(), path.size());
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    if (!S_ISSOCK(status.st_mode)) {
      error = path + std::string(tool_text::kUsbSocketNotSocket);
      return -1;
    }
    ::unlink(path.c_str());
  }
  const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (descriptor < 0) {
    error = SystemError("socket", path, errno);
    return -1;
  }
  const char* failed = nullptr;
  if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    failed = "bind";
  } else if (::listen(descriptor, kBacklog) != 0) {
    failed = "listen";
  }
  if (failed) {
    error = SystemError(failed, path, errno);
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}

int ListeningSocket::Accept(std::string& error) const {
  const int connection = ::accept4(socket_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (connection >= 0) return connection;
  if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) {
    error = SystemError("accept", path_, errno);
  }
  return -1;
}

}  // namespace kr55le::usb
