// The listening side of a TCP connection, for the stand-ins that tests and
// tools put in the recorder's and the address server's place. The shipped
// programs only ever connect, so this lives outside the platform library.
#pragma once

#include <cstdint>

#include "platform/socket.h"

namespace marlow::testsupport {

class ListeningSocket {
 public:
  // Creates the socket (closing one held before). false on failure.
  bool Open() { return socket_.Open(); }
  void Close() { socket_.Close(); }
  bool IsOpen() const { return socket_.IsOpen(); }

  // Binds to address:port (port 0: any free port) and listens.
  bool Listen(const platform::Ipv4Address& address, uint16_t port, int backlog);
  // The port the socket is bound to, or 0.
  uint16_t LocalPort() const;
  // Waits up to timeoutMs for a connection and hands it to *client.
  bool Accept(platform::Socket* client, uint32_t timeoutMs);

  // The system error code of the last failed operation.
  int LastError() const { return lastError_; }

 private:
  platform::Socket socket_;
  int lastError_ = 0;
};

}  // namespace marlow::testsupport
