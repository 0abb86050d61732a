// The other side of the recorder connection and of the dynamic-address
// exchange: readers for what the client sends and encoders for what the
// recorder and the address server answer. Only the stand-ins that tests and
// tools put in the recorder's place use these; the client never does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "netclient/md5.h"
#include "netclient/protocol.h"

namespace marlow {

// Messages the client sends, as a recorder reads them.
enum class ClientMessageKind { Unknown, LoginRequest, KeyCommand, LogoutNotice };
struct ClientMessage {
  ClientMessageKind kind = ClientMessageKind::Unknown;
  uint8_t digest[kMd5DigestSize] = {};  // LoginRequest
  uint16_t key = 0;                     // KeyCommand
  size_t length = 0;                    // the message's bytes, start code included
};

// Reads the message at the start of bytes. Returns the bytes it spans (its
// length field, at least 12) when the whole message is present; 0 when more
// bytes are needed; a message that is not 00 00 01 FE or whose length field
// is below 12 spans 1 byte (skipped as garbage) with kind Unknown.
size_t ReadClientMessage(const uint8_t* bytes, size_t length, ClientMessage* message);

// The 16 bytes of a digest written as 32 hex characters; false when any is
// not a hex digit.
bool ReadHexDigest(const uint8_t* bytes, size_t length, size_t offset,
                   uint8_t digest[kMd5DigestSize]);

// The name in a DdnsQuery (bytes up to the first zero, at most 8); false when
// the query does not start with 55 AA 55 AA or is shorter than 12 bytes.
bool ReadDdnsQuery(const uint8_t* bytes, size_t length, std::string* name);

// Recorder to client. Each fills out and returns its length.
constexpr size_t kReplyMaxSize = 32;
// Login reply: code 1, 2, 3 or 4; reason written for 2 and 4 (16 bytes), the
// others are 12 bytes.
size_t EncodeLoginReply(uint16_t code, uint16_t reason, uint8_t out[kReplyMaxSize]);
size_t EncodeStatusReport(uint16_t status, uint8_t out[kReplyMaxSize]);
size_t EncodeChannelReport(const uint16_t channels[4], uint16_t status, uint8_t out[kReplyMaxSize]);
size_t EncodeServerClose(uint8_t out[kReplyMaxSize]);

// 55 AA 55 AA, address, port low byte first: 10 bytes.
size_t EncodeDdnsAnswer(const uint8_t address[4], uint16_t port, uint8_t out[kDdnsAnswerSize]);

}  // namespace marlow
