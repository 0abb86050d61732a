#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "tests/support/listening_socket.h"

namespace marlow::testsupport {

bool ListeningSocket::Listen(const platform::Ipv4Address& address, uint16_t port, int backlog) {
  if (!socket_.IsOpen()) return false;
  const int fd = static_cast<int>(socket_.NativeHandle());
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  std::memcpy(&a.sin_addr.s_addr, address.bytes, 4);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(fd, backlog) != 0) {
    lastError_ = errno;
    return false;
  }
  return true;
}

uint16_t ListeningSocket::LocalPort() const {
  sockaddr_in a{};
  socklen_t size = sizeof a;
  if (!socket_.IsOpen() || getsockname(static_cast<int>(socket_.NativeHandle()),
                                       reinterpret_cast<sockaddr*>(&a), &size) != 0)
    return 0;
  return ntohs(a.sin_port);
}

bool ListeningSocket::Accept(platform::Socket* client, uint32_t timeoutMs) {
  if (socket_.WaitReadable(timeoutMs) != 1) return false;
  const int fd = accept(static_cast<int>(socket_.NativeHandle()), nullptr, nullptr);
  if (fd < 0) {
    lastError_ = errno;
    return false;
  }
  client->Adopt(fd);
  return true;
}

}  // namespace marlow::testsupport
