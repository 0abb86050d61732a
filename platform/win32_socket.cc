// Windows Sockets 2.2. A pending connect reports success through the write
// set of select and failure through the except set.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/socket.h"

namespace marlow::platform {

namespace {

SOCKET Sock(intptr_t handle) {
  return static_cast<SOCKET>(handle);
}

sockaddr_in Endpoint(const Ipv4Address& address, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  std::memcpy(&a.sin_addr.s_addr, address.bytes, 4);
  return a;
}

// select on one socket; returns the count, with *readable, *writable and
// *failed set from the three sets.
int WaitFor(SOCKET s, bool read, bool write, uint32_t timeoutMs, bool* readable, bool* writable,
            bool* failed) {
  fd_set r, w, e;
  FD_ZERO(&r);
  FD_ZERO(&w);
  FD_ZERO(&e);
  if (read) FD_SET(s, &r);
  if (write) {
    FD_SET(s, &w);
    FD_SET(s, &e);
  }
  timeval tv;
  tv.tv_sec = static_cast<long>(timeoutMs / 1000);
  tv.tv_usec = static_cast<long>(timeoutMs % 1000) * 1000;
  const int n = select(0, read ? &r : nullptr, write ? &w : nullptr, write ? &e : nullptr, &tv);
  if (n > 0) {
    if (readable) *readable = FD_ISSET(s, &r) != 0;
    if (writable) *writable = FD_ISSET(s, &w) != 0;
    if (failed) *failed = FD_ISSET(s, &e) != 0;
  }
  return n;
}

}  // namespace

int StartSockets() {
  static const int result = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  return result;
}

bool ParseDottedAddress(const char* text, Ipv4Address* address) {
  StartSockets();
  if (text == nullptr || *text == 0) return false;
  const unsigned long a = inet_addr(text);
  // inet_addr cannot tell 255.255.255.255 from a failure.
  if (a == INADDR_NONE && std::strcmp(text, "255.255.255.255") != 0) return false;
  std::memcpy(address->bytes, &a, 4);
  return true;
}

bool ResolveAddress(const char* host, Ipv4Address* address) {
  if (host == nullptr || *host == 0) return false;
  if (ParseDottedAddress(host, address)) return true;
  // gethostbyname keeps its answer per thread, so concurrent callers are safe.
  const hostent* h = gethostbyname(host);
  if (h == nullptr || h->h_addrtype != AF_INET || h->h_addr_list[0] == nullptr) return false;
  std::memcpy(address->bytes, h->h_addr_list[0], 4);
  return true;
}

std::string SocketErrorText(int error) {
  if (error == 0) return std::string();
  char text[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
  return std::string(text, n);
}

bool Socket::Open() {
  Close();
  if (StartSockets() != 0) {
    lastError_ = StartSockets();
    return false;
  }
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    RecordError();
    return false;
  }
  handle_ = static_cast<intptr_t>(s);
  return true;
}

void Socket::RecordError() {
  lastError_ = WSAGetLastError();
}

bool Socket::SetBlocking(bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  if (ioctlsocket(Sock(handle_), FIONBIO, &nonBlocking) != 0) {
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
  if (connect(Sock(handle_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
      RecordError();
      SetBlocking(true);
      return ConnectResult::Failed;
    }
    for (;;) {
      if (stop != nullptr && stop->IsSet()) {
        SetBlocking(true);
        return ConnectResult::Stopped;
      }
      bool writable = false, failed = false;
      const int n = WaitFor(Sock(handle_), false, true, 100, nullptr, &writable, &failed);
      if (n == SOCKET_ERROR) {
        RecordError();
        SetBlocking(true);
        return ConnectResult::Failed;
      }
      if (n > 0 && (writable || failed)) break;
      if (TickMs() - start > timeoutMs) {
        SetBlocking(true);
        return ConnectResult::TimedOut;
      }
    }
    int error = 0;
    int size = sizeof error;
    if (getsockopt(Sock(handle_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) !=
        0)
      error = WSAGetLastError();
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
  const int n = WaitFor(Sock(handle_), true, false, timeoutMs, &readable, nullptr, nullptr);
  if (n == SOCKET_ERROR) {
    RecordError();
    return -1;
  }
  return n > 0 && readable ? 1 : 0;
}

int Socket::Send(const void* data, size_t length) {
  if (length > 0x7FFFFFFFu) length = 0x7FFFFFFFu;
  const int n = send(Sock(handle_), static_cast<const char*>(data), static_cast<int>(length), 0);
  if (n == SOCKET_ERROR) {
    RecordError();
    return -1;
  }
  return n;
}

bool Socket::SendAll(const void* data, size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    const int n = Send(p, length);
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

int Socket::Receive(void* data, size_t length) {
  if (length > 0x7FFFFFFFu) length = 0x7FFFFFFFu;
  const int n = recv(Sock(handle_), static_cast<char*>(data), static_cast<int>(length), 0);
  if (n == SOCKET_ERROR) {
    RecordError();
    return -1;
  }
  return n;
}

void Socket::ShutdownReceive() {
  if (IsOpen()) shutdown(Sock(handle_), SD_RECEIVE);
}

void Socket::ShutdownBoth() {
  if (IsOpen()) shutdown(Sock(handle_), SD_BOTH);
}

void Socket::Close() {
  if (!IsOpen()) return;
  closesocket(Sock(handle_));
  handle_ = kInvalid;
}

}  // namespace marlow::platform
