// The unix stream socket a device listens on for QEMU's usb-redir chardev to connect to.
#pragma once

#include <string>

#include "platform/posix/file_descriptor.h"

namespace kr55le::usb {

class ListeningSocket {
 public:
  // Binds `path` (a socket left there by an earlier run is replaced); valid() tells whether it
  // listens, Error() why not.
  explicit ListeningSocket(std::string path);
  ~ListeningSocket();  // removes the path again
  ListeningSocket(const ListeningSocket&) = delete;
  ListeningSocket& operator=(const ListeningSocket&) = delete;

  bool valid() const { return socket_.valid(); }
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }
  int Descriptor() const { return socket_.get(); }
  // The connection waiting, non-blocking; -1 with `error` set when the accept failed, -1 and
  // `error` empty when none was waiting after all.
  int Accept(std::string& error) const;

 private:
  static int Listen(const std::string& path, std::string& error);

  std::string path_;
  std::string error_;
  FileDescriptor socket_;
};

}  // namespace kr55le::usb
