#include "tests/support/protocol_peer.h"

#include <cstring>

namespace marlow {
namespace {

constexpr uint8_t kDdnsMagic[4] = {0x55, 0xAA, 0x55, 0xAA};

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

size_t WriteHeader(uint16_t length, uint16_t code, uint8_t* out) {
  out[0] = 0;
  out[1] = 0;
  out[2] = 1;
  out[3] = kStartMessage;
  WriteHexField(out + 4, length);
  WriteHexField(out + 8, code);
  return 12;
}

}  // namespace

bool ReadHexDigest(const uint8_t* bytes, size_t length, size_t offset,
                   uint8_t digest[kMd5DigestSize]) {
  if (offset > length || length - offset < 2 * kMd5DigestSize) return false;
  for (size_t i = 0; i < kMd5DigestSize; ++i) {
    const int hi = HexDigit(bytes[offset + 2 * i]);
    const int lo = HexDigit(bytes[offset + 2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    digest[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return true;
}

size_t ReadClientMessage(const uint8_t* bytes, size_t length, ClientMessage* message) {
  *message = ClientMessage();
  if (length < 4) return 0;
  if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 1 || bytes[3] != kStartMessage) {
    message->length = 1;
    return 1;
  }
  if (length < 12) return 0;
  const uint16_t total = ReadHexField(bytes, length, 4);
  if (total < 12) {
    message->length = 1;
    return 1;
  }
  if (length < total) return 0;
  message->length = total;
  const uint16_t code = ReadHexField(bytes, total, 8);
  if (code == kCodeLoginRequest && ReadHexDigest(bytes, total, 12, message->digest)) {
    message->kind = ClientMessageKind::LoginRequest;
  } else if (code == kCodeKeyCommand && total >= 16) {
    message->kind = ClientMessageKind::KeyCommand;
    message->key = ReadHexField(bytes, total, 12);
  } else if (code == kCodeLogoutNotice) {
    message->kind = ClientMessageKind::LogoutNotice;
  }
  return total;
}

bool ReadDdnsQuery(const uint8_t* bytes, size_t length, std::string* name) {
  if (length < kDdnsQuerySize || std::memcmp(bytes, kDdnsMagic, 4) != 0) return false;
  name->clear();
  for (size_t i = 4; i < kDdnsQuerySize && bytes[i] != 0; ++i) {
    name->push_back(static_cast<char>(bytes[i]));
  }
  return true;
}

size_t EncodeLoginReply(uint16_t code, uint16_t reason, uint8_t out[kReplyMaxSize]) {
  if (code == kCodeLoginRefused || code == kCodeLoginRefusedToo) {
    WriteHeader(16, code, out);
    WriteHexField(out + 12, reason);
    return 16;
  }
  return WriteHeader(12, code, out);
}

size_t EncodeStatusReport(uint16_t status, uint8_t out[kReplyMaxSize]) {
  WriteHeader(16, kCodeStatusReport, out);
  WriteHexField(out + 12, status);
  return 16;
}

size_t EncodeChannelReport(const uint16_t channels[4], uint16_t status,
                           uint8_t out[kReplyMaxSize]) {
  WriteHeader(32, kCodeChannelReport, out);
  for (int i = 0; i < 4; ++i) WriteHexField(out + 12 + 4 * i, channels[i]);
  WriteHexField(out + 28, status);
  return 32;
}

size_t EncodeServerClose(uint8_t out[kReplyMaxSize]) {
  return WriteHeader(12, kCodeServerClose, out);
}

size_t EncodeDdnsAnswer(const uint8_t address[4], uint16_t port, uint8_t out[kDdnsAnswerSize]) {
  std::memcpy(out, kDdnsMagic, 4);
  std::memcpy(out + 4, address, 4);
  out[8] = static_cast<uint8_t>(port & 0xFF);
  out[9] = static_cast<uint8_t>(port >> 8);
  return kDdnsAnswerSize;
}

}  // namespace marlow
