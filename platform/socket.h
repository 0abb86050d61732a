// TCP sockets for the recorder connection and the dynamic-address exchange.
// The listening side that the test stand-ins need is in tests/support.
//
// Waits never block for long: Connect waits in slices of at most 100 ms and
// gives up when the caller's stop event is signalled, and reading is meant to
// be driven by WaitReadable with a short limit, so a worker thread can keep
// polling its stop event. Sockets are blocking outside Connect.
//
// The socket library is started once per process on first use (Windows
// Sockets 2.2); it is never cleaned up before the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sync.h"

namespace marlow::platform {

// An IPv4 address, first byte = first number of the dotted form.
struct Ipv4Address {
  uint8_t bytes[4] = {};
};

// Starts the socket library if that has not happened yet. 0 when it is
// available, else the system's error code (the same on every later call).
int StartSockets();

// A dotted IPv4 text ("192.168.1.10"). false for anything else.
bool ParseDottedAddress(const char* text, Ipv4Address* address);
// A dotted address or a host name; the first IPv4 address found. false when
// the name cannot be resolved.
bool ResolveAddress(const char* host, Ipv4Address* address);
// The system's text for a socket error code; empty when it has none.
std::string SocketErrorText(int error);

enum class ConnectResult { Connected, Failed, TimedOut, Stopped };

class Socket {
 public:
  Socket() = default;
  ~Socket() { Close(); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // Creates a TCP socket (closing one held before). false on failure.
  bool Open();
  bool IsOpen() const { return handle_ != kInvalid; }

  // Connects the open socket to address:port. Waits at most timeoutMs, in
  // slices of 100 ms, and stops early when stop (may be null) is signalled.
  // On any result but Connected the socket stays open; the caller closes it.
  // The socket is blocking again afterwards.
  ConnectResult Connect(const Ipv4Address& address, uint16_t port, uint32_t timeoutMs, Event* stop);

  // 1 readable (data, end of stream or a pending error), 0 nothing within
  // timeoutMs, -1 error.
  int WaitReadable(uint32_t timeoutMs);
  // Sends up to length bytes; the count sent, or -1 on error.
  int Send(const void* data, size_t length);
  // Sends all length bytes, repeating partial sends. true when all went.
  bool SendAll(const void* data, size_t length);
  // Receives up to length bytes; the count, 0 at the end of the stream, -1
  // on error. Blocks until something arrives: call WaitReadable first.
  int Receive(void* data, size_t length);

  void ShutdownReceive();
  void ShutdownBoth();
  void Close();

  // The system error code of the last failed operation on this socket.
  int LastError() const { return lastError_; }

  // The system handle, or -1 when closed; and taking over one (the one held
  // before is closed). For code that builds other socket roles on this one,
  // such as the listening side of the test stand-ins.
  intptr_t NativeHandle() const { return handle_; }
  void Adopt(intptr_t handle);

 private:
  static constexpr intptr_t kInvalid = -1;
  bool SetBlocking(bool blocking);
  void RecordError();

  intptr_t handle_ = kInvalid;
  int lastError_ = 0;
};

}  // namespace marlow::platform
