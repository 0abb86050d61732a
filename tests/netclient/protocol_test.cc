#include "netclient/protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace marlow {
namespace {

std::string Text(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

std::vector<uint8_t> Message(const std::string& fields) {
  std::vector<uint8_t> m(4 + fields.size());
  m[2] = 1;
  m[3] = 0xFE;
  for (size_t i = 0; i < fields.size(); ++i) m[4 + i] = static_cast<uint8_t>(fields[i]);
  return m;
}

TEST(HexField, ReadsBothCasesAndZeroForAnyOtherCharacter) {
  const uint8_t upper[] = {'0', '0', '2', 'C'};
  const uint8_t lower[] = {'0', '0', '2', 'c'};
  const uint8_t bad[] = {'0', '0', 'G', '1'};
  const uint8_t all[] = {'F', 'f', 'f', 'F'};
  EXPECT_EQ(ReadHexField(upper, 4, 0), 44);
  EXPECT_EQ(ReadHexField(lower, 4, 0), 44);
  EXPECT_EQ(ReadHexField(bad, 4, 0), 0);
  EXPECT_EQ(ReadHexField(all, 4, 0), 0xFFFF);
  // A field that does not lie wholly inside the bytes reads as 0.
  EXPECT_EQ(ReadHexField(upper, 3, 0), 0);
  EXPECT_EQ(ReadHexField(upper, 4, 1), 0);
  EXPECT_EQ(ReadHexField(upper, 4, static_cast<size_t>(-1)), 0);
  uint8_t out[4];
  WriteHexField(out, 0xBEEF);
  EXPECT_EQ(Text(out, 4), "BEEF");
}

TEST(Encoders, LoginRequestCarriesThePasswordDigest) {
  uint8_t out[kLoginRequestSize];
  ASSERT_EQ(EncodeLoginRequest("abc", out), 44u);
  EXPECT_EQ(Text(out, 4), std::string("\0\0\1\xFE", 4));
  EXPECT_EQ(Text(out + 4, 40), "002C0081900150983CD24FB0D6963F7D28E17F72");
  // The empty password sends the digest of the empty input.
  EncodeLoginRequest("", out);
  EXPECT_EQ(Text(out + 12, 32), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(Encoders, KeyCommandSendsOnlyTheLowByteAndLogoutHasNoParameters) {
  uint8_t out[kKeyCommandSize];
  ASSERT_EQ(EncodeKeyCommand(kKeyPlay, out), 16u);
  EXPECT_EQ(Text(out + 4, 12), "00100085000B");
  EncodeKeyCommand(300, out);
  EXPECT_EQ(Text(out + 12, 4), "002C");
  uint8_t logout[kLogoutNoticeSize];
  ASSERT_EQ(EncodeLogoutNotice(logout), 12u);
  EXPECT_EQ(Text(logout, 12), std::string("\0\0\1\xFE"
                                          "000C0086",
                                          12));
}

TEST(Encoders, DdnsQueryPadsOrCutsTheNameToEightBytes) {
  uint8_t out[kDdnsQuerySize];
  ASSERT_EQ(EncodeDdnsQuery("dvr", out), 12u);
  EXPECT_EQ(Text(out, 12), std::string("\x55\xAA\x55\xAA"
                                       "dvr\0\0\0\0\0",
                                       12));
  EncodeDdnsQuery("ABCDEFGH", out);
  EXPECT_EQ(Text(out + 4, 8), "ABCDEFGH");
  EncodeDdnsQuery("ABCDEFGHIJ", out);
  EXPECT_EQ(Text(out + 4, 8), "ABCDEFGH");
  EncodeDdnsQuery("", out);
  EXPECT_EQ(Text(out + 4, 8), std::string(8, '\0'));
}

TEST(DdnsAnswer, ReadsAddressAndLittleEndianPortOrRefuses) {
  const uint8_t known[] = {0x55, 0xAA, 0x55, 0xAA, 0xC0, 0xA8, 0x01, 0x0A, 0x8A, 0x22, 0xEE};
  DdnsAnswer a{};
  ASSERT_EQ(ReadDdnsAnswer(known, sizeof known, &a), 1);
  char dotted[16];
  EXPECT_EQ(FormatDottedAddress(a.address, dotted), 12u);
  EXPECT_STREQ(dotted, "192.168.1.10");
  EXPECT_EQ(a.port, 8842);
  const uint8_t wide[] = {255, 255, 255, 255};
  EXPECT_EQ(FormatDottedAddress(wide, dotted), 15u);
  EXPECT_STREQ(dotted, "255.255.255.255");

  uint8_t wrong[10];
  std::memcpy(wrong, known, 10);
  wrong[3] = 0xAB;
  EXPECT_EQ(ReadDdnsAnswer(wrong, 10, &a), 0);
  // Magic present but address or port cut short: refused, nothing read past 9 bytes.
  for (size_t n = 0; n < 10; ++n) EXPECT_EQ(ReadDdnsAnswer(known, n, &a), 0) << n;
}

TEST(LoginReply, OutcomesAndTexts) {
  auto read = [](const std::string& fields) {
    const std::vector<uint8_t> m = Message(fields);
    return ReadLoginReply(m.data(), m.size());
  };
  EXPECT_EQ(read("000C0003").outcome, LoginOutcome::Accepted);
  EXPECT_EQ(read("000C0001").outcome, LoginOutcome::Pending);
  // The length field is not consulted.
  EXPECT_EQ(read("ZZZZ0003").outcome, LoginOutcome::Accepted);
  LoginReply r = read(
      "00100004"
      "0002");
  EXPECT_EQ(r.outcome, LoginOutcome::Refused);
  EXPECT_STREQ(r.text, "Incorrect password.");
  EXPECT_STREQ(read("00100002"
                    "0001")
                   .text,
               "Too many client.");
  EXPECT_STREQ(read("00100002"
                    "0003")
                   .text,
               "Bad network");
  EXPECT_STREQ(read("00100004"
                    "0009")
                   .text,
               "Unkown error.");
  // Reason field missing: reads as 0, an unknown reason.
  r = read("000C0002");
  EXPECT_EQ(r.outcome, LoginOutcome::Refused);
  EXPECT_STREQ(r.text, "Unkown error.");
  // A code with a non-hex character reads as 0: a failed login.
  r = read("000C00G1");
  EXPECT_EQ(r.outcome, LoginOutcome::Failed);
  EXPECT_STREQ(r.text, "LOGIN ERROR");
  EXPECT_EQ(read("000C0007").outcome, LoginOutcome::Failed);
  EXPECT_EQ(read("000C").outcome, LoginOutcome::Failed);  // code cut off
  const uint8_t notMessage[] = {0, 0, 1, 0xF8, '0', '0', '0', 'C', '0', '0', '0', '3'};
  EXPECT_EQ(ReadLoginReply(notMessage, sizeof notMessage).outcome, LoginOutcome::Failed);
  EXPECT_EQ(ReadLoginReply(notMessage, 0).outcome, LoginOutcome::Failed);
}

TEST(StreamMessage, ReportsAndClose) {
  auto read = [](const std::string& fields) {
    const std::vector<uint8_t> m = Message(fields);
    return ReadStreamMessage(m.data(), m.size());
  };
  StreamMessage s = read(
      "00100007"
      "0001");
  EXPECT_EQ(s.kind, StreamMessageKind::Status);
  EXPECT_EQ(s.statusWord, 1);
  s = read(
      "00200008"
      "000A000b00C0D000"
      "1234");
  EXPECT_EQ(s.kind, StreamMessageKind::Channels);
  EXPECT_EQ(s.channelWords[0], 0x000A);
  EXPECT_EQ(s.channelWords[1], 0x000B);
  EXPECT_EQ(s.channelWords[2], 0x00C0);
  EXPECT_EQ(s.channelWords[3], 0xD000);
  EXPECT_EQ(s.statusWord, 0x1234);
  EXPECT_EQ(read("000C000B").kind, StreamMessageKind::ServerClose);
  for (const char* other : {"000C0005", "000C0006", "000C0003", "000C0000", "000C00x7"})
    EXPECT_EQ(read(other).kind, StreamMessageKind::Ignored) << other;
}

// A message's own length bounds what is read: a report whose length field is
// shorter than its fields (or unreadable) is ignored, even when the bytes
// after it would make up the fields.
TEST(StreamMessage, LengthShorterThanTheFieldsIsIgnored) {
  auto read = [](const std::string& fields) {
    const std::vector<uint8_t> m = Message(fields);
    return ReadStreamMessage(m.data(), m.size());
  };
  EXPECT_EQ(read("000F0007"
                 "0001")
                .kind,
            StreamMessageKind::Ignored);
  EXPECT_EQ(read("001F0008"
                 "00010002000300040005")
                .kind,
            StreamMessageKind::Ignored);
  EXPECT_EQ(read("00G00007"
                 "0001")
                .kind,
            StreamMessageKind::Ignored);
  EXPECT_EQ(read("0000000B").kind, StreamMessageKind::Ignored);
  EXPECT_EQ(read("000B000B").kind, StreamMessageKind::Ignored);
  // The held bytes bound it as well as the length field.
  const std::vector<uint8_t> m = Message(
      "00100007"
      "0001");
  EXPECT_EQ(ReadStreamMessage(m.data(), 15).kind, StreamMessageKind::Ignored);
  EXPECT_EQ(ReadStreamMessage(m.data(), 16).kind, StreamMessageKind::Status);
  // A longer length field than needed is fine.
  EXPECT_EQ(read("00140007"
                 "00010000")
                .kind,
            StreamMessageKind::Status);
}

// Every value survives a write and a read; each encoder's length field reads
// back as its size; and every reader, given each prefix of a message in a
// buffer of exactly that size, stays inside it (ASan watches the heap copies).
TEST(Protocol, RoundTripsAndEveryPrefixStaysInside) {
  uint8_t field[4];
  for (uint32_t v = 0; v <= 0xFFFF; ++v) {
    WriteHexField(field, static_cast<uint16_t>(v));
    ASSERT_EQ(ReadHexField(field, 4, 0), v);
  }
  uint8_t login[kLoginRequestSize], key[kKeyCommandSize], logout[kLogoutNoticeSize];
  EXPECT_EQ(ReadHexField(login, EncodeLoginRequest("pw", login), 4), kLoginRequestSize);
  EXPECT_EQ(ReadHexField(key, EncodeKeyCommand(kKeyMenu, key), 4), kKeyCommandSize);
  EXPECT_EQ(ReadHexField(logout, EncodeLogoutNotice(logout), 4), kLogoutNoticeSize);

  const std::vector<uint8_t> report = Message(
      "00200008"
      "0001000200030004"
      "0005");
  const std::vector<uint8_t> refusal = Message(
      "00100002"
      "0002");
  const uint8_t answer[] = {0x55, 0xAA, 0x55, 0xAA, 1, 2, 3, 4, 5, 6};
  for (size_t n = 0; n <= report.size(); ++n) {
    const std::vector<uint8_t> a(report.begin(), report.begin() + n);
    const std::vector<uint8_t> b(refusal.begin(), refusal.begin() + std::min(n, refusal.size()));
    const std::vector<uint8_t> c(answer, answer + std::min(n, sizeof answer));
    const StreamMessage m = ReadStreamMessage(a.data(), a.size());
    EXPECT_EQ(m.kind == StreamMessageKind::Channels, n == report.size()) << n;
    const LoginReply r = ReadLoginReply(b.data(), b.size());
    if (b.size() == refusal.size()) {
      EXPECT_STREQ(r.text, "Incorrect password.");
    }
    DdnsAnswer d;
    EXPECT_EQ(ReadDdnsAnswer(c.data(), c.size(), &d), c.size() == sizeof answer ? 1 : 0);
  }
}

}  // namespace
}  // namespace marlow
