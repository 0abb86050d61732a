#include "netclient/protocol.h"

#include <cstdio>
#include <cstring>

#include "netclient/md5.h"

namespace marlow {

const char kTextLoginError[] = "LOGIN ERROR";
const char kTextTooManyClients[] = "Too many client.";
const char kTextIncorrectPassword[] = "Incorrect password.";
const char kTextBadNetwork[] = "Bad network";
const char kTextUnknownError[] = "Unkown error.";

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr uint8_t kDdnsMagic[4] = {0x55, 0xAA, 0x55, 0xAA};

// Offsets of the message layout.
constexpr size_t kLengthOffset = 4;
constexpr size_t kCodeOffset = 8;
constexpr size_t kParameterOffset = 12;

// Bytes a stream message must span for its code's fields to be read.
constexpr size_t kStatusReportSize = kParameterOffset + 4;
constexpr size_t kChannelReportSize = kParameterOffset + 5 * 4;

int HexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool StartsWithMessageCode(const uint8_t* bytes, size_t length) {
  return length >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 &&
         bytes[3] == kStartMessage;
}

// The fixed head of every client message: start code, length, code.
void WriteHead(uint8_t* out, uint16_t length, uint16_t code) {
  out[0] = 0;
  out[1] = 0;
  out[2] = 1;
  out[3] = kStartMessage;
  WriteHexField(out + kLengthOffset, length);
  WriteHexField(out + kCodeOffset, code);
}

}  // namespace

uint16_t ReadHexField(const uint8_t* bytes, size_t length, size_t offset) {
  if (offset > length || length - offset < 4) return 0;
  unsigned value = 0;
  for (size_t i = 0; i < 4; ++i) {
    const int digit = HexDigit(bytes[offset + i]);
    if (digit < 0) return 0;
    value = value << 4 | static_cast<unsigned>(digit);
  }
  return static_cast<uint16_t>(value);
}

void WriteHexField(uint8_t* out, uint16_t value) {
  for (int i = 0; i < 4; ++i) out[i] = kUpperHex[(value >> (12 - 4 * i)) & 0xF];
}

void WriteHexByte(uint8_t* out, uint8_t value) {
  out[0] = kUpperHex[value >> 4];
  out[1] = kUpperHex[value & 0xF];
}

size_t EncodeLoginRequest(std::string_view password, uint8_t out[kLoginRequestSize]) {
  WriteHead(out, kLoginRequestSize, kCodeLoginRequest);
  uint8_t digest[kMd5DigestSize];
  Md5Digest(password.data(), password.size(), digest);
  for (size_t i = 0; i < kMd5DigestSize; ++i)
    WriteHexByte(out + kParameterOffset + 2 * i, digest[i]);
  return kLoginRequestSize;
}

size_t EncodeKeyCommand(uint32_t key, uint8_t out[kKeyCommandSize]) {
  WriteHead(out, kKeyCommandSize, kCodeKeyCommand);
  WriteHexField(out + kParameterOffset, static_cast<uint16_t>(key & 0xFF));
  return kKeyCommandSize;
}

size_t EncodeLogoutNotice(uint8_t out[kLogoutNoticeSize]) {
  WriteHead(out, kLogoutNoticeSize, kCodeLogoutNotice);
  return kLogoutNoticeSize;
}

size_t EncodeDdnsQuery(std::string_view name, uint8_t out[kDdnsQuerySize]) {
  std::memcpy(out, kDdnsMagic, 4);
  std::memset(out + 4, 0, kDdnsNameSize);
  const size_t n = name.size() < kDdnsNameSize ? name.size() : kDdnsNameSize;
  if (n != 0) std::memcpy(out + 4, name.data(), n);
  return kDdnsQuerySize;
}

int ReadDdnsAnswer(const uint8_t* bytes, size_t length, DdnsAnswer* answer) {
  // A short answer cannot carry the address and port; it counts as refused.
  if (length < kDdnsAnswerSize || std::memcmp(bytes, kDdnsMagic, 4) != 0) return 0;
  std::memcpy(answer->address, bytes + 4, 4);
  answer->port = static_cast<uint16_t>(bytes[8] | bytes[9] << 8);
  return 1;
}

size_t FormatDottedAddress(const uint8_t address[4], char out[16]) {
  const int n =
      std::snprintf(out, 16, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

const char* RefusalText(uint16_t reason) {
  switch (reason) {
    case 1:
      return kTextTooManyClients;
    case 2:
      return kTextIncorrectPassword;
    case 3:
      return kTextBadNetwork;
    default:
      return kTextUnknownError;
  }
}

LoginReply ReadLoginReply(const uint8_t* bytes, size_t length) {
  if (!StartsWithMessageCode(bytes, length)) return {LoginOutcome::Failed, kTextLoginError};
  switch (ReadHexField(bytes, length, kCodeOffset)) {
    case kCodeLoginPending:
      return {LoginOutcome::Pending, nullptr};
    case kCodeLoginAccepted:
      return {LoginOutcome::Accepted, nullptr};
    case kCodeLoginRefused:
    case kCodeLoginRefusedToo:
      return {LoginOutcome::Refused, RefusalText(ReadHexField(bytes, length, kParameterOffset))};
    default:
      return {LoginOutcome::Failed, kTextLoginError};
  }
}

StreamMessage ReadStreamMessage(const uint8_t* bytes, size_t length) {
  StreamMessage m;
  const size_t declared = ReadHexField(bytes, length, kLengthOffset);
  const size_t extent = declared < length ? declared : length;
  if (extent < kParameterOffset) return m;
  switch (ReadHexField(bytes, extent, kCodeOffset)) {
    case kCodeStatusReport:
      if (extent < kStatusReportSize) break;
      m.kind = StreamMessageKind::Status;
      m.statusWord = ReadHexField(bytes, extent, kParameterOffset);
      break;
    case kCodeChannelReport:
      if (extent < kChannelReportSize) break;
      m.kind = StreamMessageKind::Channels;
      for (size_t i = 0; i < 4; ++i)
        m.channelWords[i] = ReadHexField(bytes, extent, kParameterOffset + 4 * i);
      m.statusWord = ReadHexField(bytes, extent, kParameterOffset + 16);
      break;
    case kCodeServerClose:
      m.kind = StreamMessageKind::ServerClose;
      break;
    default:
      break;
  }
  return m;
}

}  // namespace marlow
