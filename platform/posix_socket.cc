// POSIX sockets. Sends use MSG_NOSIGNAL so that a peer that went away gives
// an error instead of ending the process.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/socket.h"

namespace marlow::platform {

namespace {

int Fd(intptr_t handle) {
  return static_cast<int>(handle);
}

sockaddr_in Endpoint(const Ipv4Address& address, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  std::memcpy(&a.sin_addr.s_addr, address.bytes, 4);
  return a;
}

// select on one descriptor; the fd sets are fine for the descriptor numbers
// a viewer process uses (below FD_SETSIZE), anything else fails cleanly.
int WaitFor(int fd, bool read, bool write, uint32_t timeoutMs, bool* readable, bool* writable) {
  if (fd < 0 || fd >= FD_SETSIZE) {
    errno = EBADF;
    return -1;
  }
  fd_set r, w;
  FD_ZERO(&r);
  FD_ZERO(&w);
  if (read) FD_SET(fd, &r);
  if (write) FD_SET(fd, &w);
  timeval tv;
  tv.tv_sec = static_cast<time_t>(timeoutMs / 1000);
  tv.tv_usec = static_cast<suseconds_t>(timeoutMs % 1000) * 1000;
  int n;
  do {
    n = select(fd + 1, read ? &r : nullptr, write ? &w : nullptr, nullptr, &tv);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    if (readable) *readable = FD_ISSET(fd, &r);
    if (writable) *writable = FD_ISSET(fd, &w);
  }
  return n;
}

}  // namespace

int StartSockets() {
  return 0;
}

bool ParseDottedAddress(const char* text, Ipv4Address* address) {
  in_addr a;
  if (text == nullptr || inet_pton(AF_INET, text, &a) != 1) return false;
  std::memcpy(address->bytes, &a.s_addr, 4);
  return true;
}

bool ResolveAddress(const char* host, Ipv4Address* address) {
  if (host == nullptr || *host == 0) return false;
  if (ParseDottedAddress(host, address)) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  const sockaddr_in* a = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  std::memcpy(address->bytes, &a->sin_addr.s_addr, 4);
  freeaddrinfo(found);
  return true;
}

std::string SocketErrorText(int error) {
  if (error == 0) return std::string();
  return std::strerror(error);
}

bool Socket::Open() {
  Close();
  const int fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd < 0) {
    RecordError();
    return false;
  }
  handle_ = fd;
  return true;
}

void Socket::RecordError() {
  lastError_ = errno;
}

bool Socket::SetBlocking(bool blocking) {
  const int flags = fcntl(Fd(handle_), F_GETFL, 0);
  if (flags < 0 ||
      fcntl(Fd(handle_), F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) < 0) {
    RecordError();
    return false;
  }
  return true;
}

ConnectResult Socket::Connect(const Ipv4Address& address, uint16_t port, uint32_t timeoutMs,
                              Event* stop) {
  if (!IsOpen() || !SetBlocking(false)) return ConnectResult::Failed;
  const sockaddr_in a = Endpoint(address, port);
  const uint32_t start = TickMs();
  if (connect(Fd(handle_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    if (errno != EINPROGRESS) {
      RecordError();
      SetBlocking(true);
      return ConnectResult::Failed;
    }
    for (;;) {
      if (stop != nullptr && stop->IsSet()) {
        SetBlocking(true);
        return ConnectResult::Stopped;
      }
      bool writable = false;
      const int n = WaitFor(Fd(handle_), false, true, 100, nullptr, &writable);
      if (n < 0) {
        RecordError();
        SetBlocking(true);
        return ConnectResult::Failed;
      }
      if (n > 0 && writable) break;
      if (TickMs() - start > timeoutMs) {
        SetBlocking(true);
        return ConnectResult::TimedOut;
      }
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(Fd(handle_), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) {
      lastError_ = error;
      SetBlocking(true);
      return ConnectResult::Failed;
    }
  }
  return SetBlocking(true) ? ConnectResult::Connected : ConnectResult::Failed;
}

void Socket::Adopt(intptr_t handle) {
  Close();
  handle_ = handle;
}

int Socket::WaitReadable(uint32_t timeoutMs) {
  bool readable = false;
  const int n = WaitFor(Fd(handle_), true, false, timeoutMs, &readable, nullptr);
  if (n < 0) {
    RecordError();
    return -1;
  }
  return n > 0 && readable ? 1 : 0;
}

int Socket::Send(const void* data, size_t length) {
  ssize_t n;
  do {
    n = send(Fd(handle_), data, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    RecordError();
    return -1;
  }
  return static_cast<int>(n);
}

bool Socket::SendAll(const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    const size_t piece = length > 0x40000000u ? 0x40000000u : length;
    const int n = Send(p, piece);
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

int Socket::Receive(void* data, size_t length) {
  if (length > 0x7FFFFFFFu) length = 0x7FFFFFFFu;
  ssize_t n;
  do {
    n = recv(Fd(handle_), data, length, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    RecordError();
    return -1;
  }
  return static_cast<int>(n);
}

void Socket::ShutdownReceive() {
  if (IsOpen()) shutdown(Fd(handle_), SHUT_RD);
}

void Socket::ShutdownBoth() {
  if (IsOpen()) shutdown(Fd(handle_), SHUT_RDWR);
}

void Socket::Close() {
  if (!IsOpen()) return;
  close(Fd(handle_));
  handle_ = kInvalid;
}

}  // namespace marlow::platform
