#include "platform/socket.h"
#include "tests/support/listening_socket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace marlow::platform {
namespace {

const Ipv4Address kLoopback = {{127, 0, 0, 1}};

// A listener on 127.0.0.1 at a free port.
struct Listener {
  Listener() {
    EXPECT_TRUE(socket.Open());
    EXPECT_TRUE(socket.Listen(kLoopback, 0, 4));
    port = socket.LocalPort();
    EXPECT_NE(port, 0);
  }
  testsupport::ListeningSocket socket;
  uint16_t port = 0;
};

TEST(Socket, AddressesParseAndResolve) {
  EXPECT_EQ(StartSockets(), 0);
  Ipv4Address a;
  ASSERT_TRUE(ParseDottedAddress("192.168.1.10", &a));
  EXPECT_EQ(a.bytes[0], 192);
  EXPECT_EQ(a.bytes[3], 10);
  EXPECT_FALSE(ParseDottedAddress("dvr.example", &a));
  EXPECT_FALSE(ParseDottedAddress("", &a));
  ASSERT_TRUE(ResolveAddress("127.0.0.1", &a));
  EXPECT_EQ(std::memcmp(a.bytes, kLoopback.bytes, 4), 0);
  ASSERT_TRUE(ResolveAddress("localhost", &a));
  EXPECT_EQ(a.bytes[0], 127);
  EXPECT_FALSE(ResolveAddress("", &a));
}

TEST(Socket, ConnectAcceptAndExchangeBothWays) {
  Listener l;
  Socket client, server;
  ASSERT_TRUE(client.Open());
  ASSERT_EQ(client.Connect(kLoopback, l.port, 3000, nullptr), ConnectResult::Connected);
  ASSERT_TRUE(l.socket.Accept(&server, 3000));

  EXPECT_EQ(client.WaitReadable(0), 0);  // nothing sent yet
  const char hello[] = "00 00 01 FE";
  ASSERT_TRUE(server.SendAll(hello, sizeof hello));
  ASSERT_EQ(client.WaitReadable(3000), 1);
  char got[64] = {};
  size_t have = 0;
  while (have < sizeof hello && client.WaitReadable(3000) == 1) {
    const int n = client.Receive(got + have, sizeof got - have);
    ASSERT_GT(n, 0);
    have += static_cast<size_t>(n);
  }
  EXPECT_STREQ(got, hello);

  // A larger transfer the other way, received in pieces.
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  std::thread sender([&] { EXPECT_TRUE(client.SendAll(big.data(), big.size())); });
  std::vector<uint8_t> back;
  std::vector<uint8_t> chunk(131072);
  while (back.size() < big.size() && server.WaitReadable(3000) == 1) {
    const int n = server.Receive(chunk.data(), chunk.size());
    if (n <= 0) break;
    back.insert(back.end(), chunk.begin(), chunk.begin() + n);
  }
  sender.join();
  EXPECT_EQ(back, big);

  // The peer's close reads as the end of the stream.
  server.ShutdownBoth();
  server.Close();
  ASSERT_EQ(client.WaitReadable(3000), 1);
  EXPECT_EQ(client.Receive(got, sizeof got), 0);
}

TEST(Socket, RefusedConnectFailsWithTheSystemText) {
  uint16_t port;
  {
    Listener l;  // a port that was free a moment ago and is closed now
    port = l.port;
  }
  Socket client;
  ASSERT_TRUE(client.Open());
  EXPECT_EQ(client.Connect(kLoopback, port, 5000, nullptr), ConnectResult::Failed);
  EXPECT_NE(client.LastError(), 0);
  EXPECT_FALSE(SocketErrorText(client.LastError()).empty());
  EXPECT_TRUE(client.IsOpen());  // the caller decides when to close
  client.Close();
  EXPECT_FALSE(client.IsOpen());
  EXPECT_TRUE(SocketErrorText(0).empty());
}

// A listener that never accepts has a full queue after a few connections;
// further connects then stay pending, which is when time limit and stop event
// must end the wait.
TEST(Socket, TimeLimitAndStopEndAPendingConnect) {
  Listener l;
  std::vector<Socket> queued(12);
  bool pending = false;
  for (Socket& s : queued) {
    ASSERT_TRUE(s.Open());
    const uint32_t start = TickMs();
    const ConnectResult r = s.Connect(kLoopback, l.port, 200, nullptr);
    if (r == ConnectResult::TimedOut) {
      EXPECT_GE(TickMs() - start, 190u);
      pending = true;
      break;
    }
    ASSERT_EQ(r, ConnectResult::Connected);
  }
  if (!pending) GTEST_SKIP() << "this system queues every connection";

  Event stop;
  Socket late;
  ASSERT_TRUE(late.Open());
  std::thread stopper([&] {
    SleepMs(150);
    stop.Set();
  });
  const uint32_t start = TickMs();
  EXPECT_EQ(late.Connect(kLoopback, l.port, 20000, &stop), ConnectResult::Stopped);
  EXPECT_LT(TickMs() - start, 5000u);
  stopper.join();
}

}  // namespace
}  // namespace marlow::platform
