#include <winsock2.h>

#include "tests/support/listening_socket.h"

namespace marlow::testsupport {

namespace {
SOCKET Sock(intptr_t handle) {
  return static_cast<SOCKET>(handle);
}
}  // namespace

bool ListeningSocket::Listen(const platform::Ipv4Address& address, uint16_t port, int backlog) {
  if (!socket_.IsOpen()) return false;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  memcpy(&a.sin_addr.s_addr, address.bytes, 4);
  const SOCKET s = Sock(socket_.NativeHandle());
  if (bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(s, backlog) != 0) {
    lastError_ = WSAGetLastError();
    return false;
  }
  return true;
}

uint16_t ListeningSocket::LocalPort() const {
  sockaddr_in a{};
  int size = sizeof a;
  if (!socket_.IsOpen() ||
      getsockname(Sock(socket_.NativeHandle()), reinterpret_cast<sockaddr*>(&a), &size) != 0)
    return 0;
  return ntohs(a.sin_port);
}

bool ListeningSocket::Accept(platform::Socket* client, uint32_t timeoutMs) {
  if (socket_.WaitReadable(timeoutMs) != 1) return false;
  const SOCKET s = accept(Sock(socket_.NativeHandle()), nullptr, nullptr);
  if (s == INVALID_SOCKET) {
    lastError_ = WSAGetLastError();
    return false;
  }
  client->Adopt(static_cast<intptr_t>(s));
  return true;
}

}  // namespace marlow::testsupport
