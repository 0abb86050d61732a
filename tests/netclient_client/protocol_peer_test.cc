// The recorder side reads exactly what the client's encoders write, needs
// the whole message before it reads one, and skips bytes that are not a
// message instead of stalling on them.
#include "tests/support/protocol_peer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace marlow {
namespace {

TEST(ProtocolPeer, ClientMessagesRoundTripAndNeedTheirWholeLength) {
  uint8_t login[kLoginRequestSize], key[kKeyCommandSize], logout[kLogoutNoticeSize];
  EncodeLoginRequest("secret", login);
  EncodeKeyCommand(300, key);
  EncodeLogoutNotice(logout);
  uint8_t want[kMd5DigestSize];
  Md5Digest("secret", 6, want);

  ClientMessage m;
  for (size_t n = 0; n < sizeof login; ++n) EXPECT_EQ(ReadClientMessage(login, n, &m), 0u) << n;
  ASSERT_EQ(ReadClientMessage(login, sizeof login, &m), sizeof login);
  EXPECT_EQ(m.kind, ClientMessageKind::LoginRequest);
  EXPECT_EQ(std::memcmp(m.digest, want, kMd5DigestSize), 0);

  ASSERT_EQ(ReadClientMessage(key, sizeof key, &m), sizeof key);
  EXPECT_EQ(m.kind, ClientMessageKind::KeyCommand);
  EXPECT_EQ(m.key, 44);  // 300 & 0xFF
  ASSERT_EQ(ReadClientMessage(logout, sizeof logout, &m), sizeof logout);
  EXPECT_EQ(m.kind, ClientMessageKind::LogoutNotice);

  const uint8_t junk[] = {'x', 0, 0, 1, 0xFE, '0', '0', '0', '4', '0', '0', '0', '1'};
  EXPECT_EQ(ReadClientMessage(junk, sizeof junk, &m), 1u);          // not a start code
  EXPECT_EQ(ReadClientMessage(junk + 1, sizeof junk - 1, &m), 1u);  // length below 12
  EXPECT_EQ(m.kind, ClientMessageKind::Unknown);
}

TEST(ProtocolPeer, RepliesReadBackThroughTheClientsReaders) {
  uint8_t b[kReplyMaxSize];
  size_t n = EncodeLoginReply(kCodeLoginRefusedToo, 2, b);
  LoginReply r = ReadLoginReply(b, n);
  EXPECT_EQ(r.outcome, LoginOutcome::Refused);
  EXPECT_STREQ(r.text, "Incorrect password.");
  EXPECT_EQ(ReadLoginReply(b, EncodeLoginReply(kCodeLoginPending, 0, b)).outcome,
            LoginOutcome::Pending);

  const uint16_t channels[4] = {1, 0xABCD, 3, 4};
  n = EncodeChannelReport(channels, 0x77, b);
  StreamMessage s = ReadStreamMessage(b, n);
  EXPECT_EQ(s.kind, StreamMessageKind::Channels);
  EXPECT_EQ(s.channelWords[1], 0xABCD);
  EXPECT_EQ(s.statusWord, 0x77);
  EXPECT_EQ(ReadStreamMessage(b, EncodeServerClose(b)).kind, StreamMessageKind::ServerClose);

  uint8_t q[kDdnsQuerySize], a[kDdnsAnswerSize];
  EncodeDdnsQuery("ABC", q);
  std::string name;
  ASSERT_TRUE(ReadDdnsQuery(q, sizeof q, &name));
  EXPECT_EQ(name, "ABC");
  EXPECT_FALSE(ReadDdnsQuery(q, sizeof q - 1, &name));
  const uint8_t address[4] = {192, 168, 1, 10};
  EncodeDdnsAnswer(address, 8842, a);
  DdnsAnswer got;
  ASSERT_EQ(ReadDdnsAnswer(a, sizeof a, &got), 1);
  EXPECT_EQ(got.port, 8842);
  EXPECT_EQ(got.address[3], 10);
}

}  // namespace
}  // namespace marlow
