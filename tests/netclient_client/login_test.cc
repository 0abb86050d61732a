// The client against the stand-in recorder and address server on 127.0.0.1:
// logins accepted, refused, pending and failed; lookups found, unknown and
// unanswered; connect retries; Stop and the logout.
#include <gtest/gtest.h>

#include <string>

#include "netclient/network_client.h"
#include "netclient/protocol.h"
#include "tests/netclient_client/client_harness.h"
#include "tools/ddns_standin/ddns_standin.h"
#include "tools/recorder_standin/recorder_standin.h"

namespace marlow {
namespace {

using test::RecordingSink;
using test::ShortenWaits;
using test::WaitUntil;
using Login = RecorderStandinOptions::Login;

RecorderStandinOptions Recorder(Login login = Login::Accept) {
  RecorderStandinOptions o;
  o.password = "4321";
  o.login = login;
  o.lifetimeMs = 20000;
  return o;
}

struct Rig {
  explicit Rig(const RecorderStandinOptions& options) : recorder(options) {
    EXPECT_TRUE(recorder.Listen());
    EXPECT_EQ(recorder.Start(), 1);
    ShortenWaits(client, &sink);
  }
  ~Rig() {
    client.Stop();
    recorder.Stop();
  }
  void Direct(const char* password = "4321") {
    client.SetDirect("127.0.0.1", recorder.Port(), "ignored", password);
  }
  // Waits for the client's thread to end by itself.
  bool Ended() {
    return WaitUntil([&] { return !client.IsRunning(); });
  }

  RecorderStandin recorder;
  RecordingSink sink;
  NetworkClient client;
};

TEST(NetworkClientLogin, AcceptedLoginReachesReceivingAndSendsTheRightDigest) {
  Rig rig(Recorder());
  rig.Direct();
  EXPECT_EQ(rig.client.ConnectionState(), kStateIdle);
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.IsLoggedIn(); }));
  EXPECT_EQ(rig.client.ConnectionState(), kStateReceiving);
  const auto r = rig.recorder.Snapshot();
  EXPECT_EQ(r.loginRequests, 1);
  EXPECT_EQ(r.goodDigests, 1);
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 0);
}

TEST(NetworkClientLogin, PendingRepliesThenAcceptance) {
  RecorderStandinOptions o = Recorder();
  o.pendingBeforeAccept = 2;
  o.pendingIntervalMs = 150;
  Rig rig(o);
  rig.Direct();
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.IsLoggedIn(); }));
  EXPECT_EQ(rig.recorder.Snapshot().loginRequests, 1);
}

// Every refusal is final: one 0x2A6B, the reason's text, the thread ends and
// no further attempt is made.
TEST(NetworkClientLogin, RefusalsEndTheRunWithTheirText) {
  const struct {
    uint16_t code, reason;
    const char* text;
  } cases[] = {
      {2, 1, "Too many client."}, {2, 2, "Incorrect password."}, {2, 3, "Bad network"},
      {2, 9, "Unkown error."},    {4, 2, "Incorrect password."}, {4, 0, "Unkown error."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    RecorderStandinOptions o = Recorder(Login::Refuse);
    o.refuseCode = c.code;
    o.refuseReason = c.reason;
    Rig rig(o);
    rig.Direct();
    ASSERT_EQ(rig.client.Start(), 1);
    ASSERT_TRUE(rig.Ended());
    EXPECT_EQ(rig.client.ErrorText(), c.text);
    EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
    EXPECT_EQ(rig.sink.Total(), 1);
    EXPECT_FALSE(rig.sink.NonzeroParameters());
    EXPECT_FALSE(rig.client.IsLoggedIn());
    EXPECT_EQ(rig.client.ConnectionState(), kStateIdle);
    // Start refuses while the ended thread is still recorded.
    EXPECT_EQ(rig.client.Start(), 0);
    platform::SleepMs(100);
    EXPECT_EQ(rig.recorder.Snapshot().sessions, 1);
  }
}

TEST(NetworkClientLogin, WrongPasswordIsRefusedByTheDigest) {
  Rig rig(Recorder());
  rig.Direct("1234");
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(rig.Ended());
  EXPECT_EQ(rig.client.ErrorText(), "Incorrect password.");
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
  EXPECT_EQ(rig.recorder.Snapshot().goodDigests, 0);
}

// A recorder that answers "pending" again and again does not hold the
// client for ever: the time limit counts from the request.
TEST(NetworkClientLogin, EndlessPendingRepliesHitTheTimeLimit) {
  RecorderStandinOptions o = Recorder(Login::PendingForever);
  o.pendingIntervalMs = 100;  // well inside every answer wait
  Rig rig(o);
  rig.Direct();
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(rig.Ended());
  EXPECT_EQ(rig.client.ErrorText(), "No response from server.");
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
  EXPECT_EQ(rig.recorder.Snapshot().loginRequests, 1);
}

TEST(NetworkClientLogin, SilentRecorderAndGarbageReplyFail) {
  {
    Rig rig(Recorder(Login::Silent));
    rig.Direct();
    ASSERT_EQ(rig.client.Start(), 1);
    ASSERT_TRUE(rig.Ended());
    EXPECT_EQ(rig.client.ErrorText(), "No response from server.");
    EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
  }
  {
    Rig rig(Recorder(Login::Garbage));
    rig.Direct();
    ASSERT_EQ(rig.client.Start(), 1);
    ASSERT_TRUE(rig.Ended());
    EXPECT_EQ(rig.client.ErrorText(), "LOGIN ERROR");
    EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
  }
}

// Stop while logged in: exactly one LogoutNotice, and Stop returns at once.
TEST(NetworkClientLogin, StopSendsOneLogoutWhenLoggedInAndNoneOtherwise) {
  {
    Rig rig(Recorder());
    rig.Direct();
    ASSERT_EQ(rig.client.Start(), 1);
    ASSERT_TRUE(WaitUntil([&] { return rig.client.IsLoggedIn(); }));
    const uint32_t before = platform::TickMs();
    EXPECT_EQ(rig.client.Stop(), 1);
    EXPECT_LT(platform::TickMs() - before, 2000u);
    EXPECT_FALSE(rig.client.IsLoggedIn());
    EXPECT_EQ(rig.client.ConnectionState(), kStateIdle);
    ASSERT_TRUE(WaitUntil([&] { return rig.recorder.Snapshot().logouts == 1; }));
    platform::SleepMs(100);
    EXPECT_EQ(rig.recorder.Snapshot().logouts, 1);
  }
  {
    // Stopped in the middle of a login that is never answered.
    Rig rig(Recorder(Login::Silent));
    rig.client.SetTimeout(60000);
    rig.Direct();
    ASSERT_EQ(rig.client.Start(), 1);
    ASSERT_TRUE(WaitUntil([&] { return rig.recorder.Snapshot().loginRequests == 1; }));
    const uint32_t before = platform::TickMs();
    rig.client.Stop();
    EXPECT_LT(platform::TickMs() - before, 2000u);
    platform::SleepMs(100);
    EXPECT_EQ(rig.recorder.Snapshot().logouts, 0);
    EXPECT_EQ(rig.sink.Total(), 0);
  }
}

TEST(NetworkClientLogin, SendKeyWhileNotLoggedInSendsNothing) {
  NetworkClient client;
  EXPECT_EQ(client.SendKey(kKeyPlay), 0);
  EXPECT_EQ(client.Timeout(), 7000u);
  EXPECT_EQ(client.ConnectionState(), kStateIdle);
}

// Nobody listens: the client retries quietly until stopped. A refused
// attempt leaves its socket open, so the next one fails on it with
// "Already Connected".
TEST(NetworkClientLogin, UnreachableRecorderIsRetriedSilentlyUntilStopped) {
  platform::StartSockets();
  testsupport::ListeningSocket probe;
  ASSERT_TRUE(probe.Open());
  ASSERT_TRUE(probe.Listen({{127, 0, 0, 1}}, 0, 1));
  const uint16_t port = probe.LocalPort();
  probe.Close();  // nothing listens there now

  RecordingSink sink;
  NetworkClient client;
  ShortenWaits(client, &sink);
  client.SetDirect("127.0.0.1", port, "", "x");
  ASSERT_EQ(client.Start(), 1);
  EXPECT_TRUE(WaitUntil([&] { return client.ErrorText() == "Already Connected"; }));
  EXPECT_TRUE(WaitUntil([&] {
    const std::string t = client.ErrorText();
    return !t.empty() && t != "Already Connected";
  }));
  EXPECT_TRUE(client.IsRunning());
  const uint32_t before = platform::TickMs();
  client.Stop();
  EXPECT_LT(platform::TickMs() - before, 2000u);
  EXPECT_EQ(sink.Total(), 0);
  EXPECT_EQ(client.ConnectionState(), kStateIdle);
}

struct DdnsRig : Rig {
  DdnsRig() : Rig(Recorder()), ddns(20000) {
    const uint8_t loopback[4] = {127, 0, 0, 1};
    ddns.AddName("DVR1", loopback, recorder.Port());
    EXPECT_TRUE(ddns.Listen());
  }
  ~DdnsRig() {
    client.Stop();
    ddns.Stop();
  }
  DdnsStandin ddns;
};

TEST(NetworkClientDdns, KnownNameReplacesTheConfiguredAddress) {
  DdnsRig rig;
  ASSERT_EQ(rig.ddns.Start(), 1);
  rig.client.SetDirect("10.255.255.1", 9, "", "4321");
  rig.client.SetDdns("127.0.0.1", rig.ddns.Port(), "DVR1", "4321");
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.IsLoggedIn(); }));
  EXPECT_EQ(rig.client.Address(), "127.0.0.1");
  EXPECT_EQ(rig.client.Port(), rig.recorder.Port());
  EXPECT_EQ(rig.ddns.Queries(), 1);
  ASSERT_EQ(rig.ddns.NamesAsked().size(), 1u);
  EXPECT_EQ(rig.ddns.NamesAsked()[0], "DVR1");
  // A new run asks again.
  rig.client.Stop();
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.client.IsLoggedIn(); }));
  EXPECT_EQ(rig.ddns.Queries(), 2);
}

TEST(NetworkClientDdns, UnknownNameIsALookupFailure) {
  DdnsRig rig;
  ASSERT_EQ(rig.ddns.Start(), 1);
  rig.client.SetDdns("127.0.0.1", rig.ddns.Port(), "NOBODY", "4321");
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(rig.Ended());
  EXPECT_EQ(rig.client.ErrorText(), "DDNS LOGIN ERROR");
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
  EXPECT_EQ(rig.recorder.Snapshot().sessions, 0);
}

TEST(NetworkClientDdns, UnansweredQueryRunsOutOfTime) {
  DdnsRig rig;
  rig.ddns.SetSilent(true);
  ASSERT_EQ(rig.ddns.Start(), 1);
  rig.client.SetDdns("127.0.0.1", rig.ddns.Port(), "DVR1", "4321");
  ASSERT_EQ(rig.client.Start(), 1);
  ASSERT_TRUE(rig.Ended());
  EXPECT_EQ(rig.client.ErrorText(), "No response from server.");
  EXPECT_EQ(rig.sink.Count(kNotifyLoginFailed), 1);
}

}  // namespace
}  // namespace marlow
