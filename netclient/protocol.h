// The bytes of the recorder connection and of the dynamic-address exchange.
//
// Recorder connection: one byte stream of units, each starting with the start
// code 00 00 01 xx (F8/F9 video, FA audio, FE message). A message is
//   00 00 01 FE, hex field total length, hex field code, parameters
// where a hex field is four ASCII hex digits, most significant first. We write
// upper case; we read either case, and a field with any other character reads
// as 0. Nothing is zero-terminated.
//
// Every reader takes the caller's bytes with their length and never looks
// beyond it: a field that does not lie wholly inside the bytes reads as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace marlow {

// Start-code bytes that matter on the recorder connection.
constexpr uint8_t kStartVideoUpdate = 0xF8;  // picture that updates its channel
constexpr uint8_t kStartVideoFull = 0xF9;    // full picture
constexpr uint8_t kStartAudio = 0xFA;
constexpr uint8_t kStartMessage = 0xFE;

constexpr size_t kLoginRequestSize = 44;
constexpr size_t kKeyCommandSize = 16;
constexpr size_t kLogoutNoticeSize = 12;
constexpr size_t kDdnsQuerySize = 12;
constexpr size_t kDdnsAnswerSize = 10;  // bytes of the answer that are examined
constexpr size_t kDdnsNameSize = 8;

// Message codes, client to recorder.
constexpr uint16_t kCodeLoginRequest = 0x81;
constexpr uint16_t kCodeKeyCommand = 0x85;
constexpr uint16_t kCodeLogoutNotice = 0x86;

// Message codes, recorder to client.
constexpr uint16_t kCodeLoginPending = 1;
constexpr uint16_t kCodeLoginRefused = 2;
constexpr uint16_t kCodeLoginAccepted = 3;
constexpr uint16_t kCodeLoginRefusedToo = 4;  // second form, same meaning as 2
constexpr uint16_t kCodeStatusReport = 7;
constexpr uint16_t kCodeChannelReport = 8;
constexpr uint16_t kCodeServerClose = 11;

// Front-panel keys of the recorder, as carried by KeyCommand.
enum PanelKey : uint8_t {
  kKeyChannel1 = 1,
  kKeyChannel2 = 2,
  kKeyChannel3 = 3,
  kKeyChannel4 = 4,
  kKeySplit = 5,
  kKeyRecord = 6,
  kKeyRewind = 7,
  kKeyStop = 8,
  kKeyPause = 9,
  kKeyFastForward = 10,
  kKeyPlay = 11,
  kKeyMenu = 12,
  kKeyUp = 13,
  kKeyDown = 14,
  kKeySelect = 15,
  kKeyChannel5 = 21,
  kKeyChannel6 = 22,
  kKeyChannel7 = 23,
  kKeyChannel8 = 24,
  kKeyChannel9 = 25,
};

// Texts kept for a failed or refused login (shown to the user as they are).
extern const char kTextLoginError[];         // "LOGIN ERROR"
extern const char kTextTooManyClients[];     // reason 1
extern const char kTextIncorrectPassword[];  // reason 2
extern const char kTextBadNetwork[];         // reason 3
extern const char kTextUnknownError[];       // any other reason

// --- Fields -----------------------------------------------------------------

// The hex field at offset: 0 when offset + 4 > length or any of the four
// characters is not a hex digit.
uint16_t ReadHexField(const uint8_t* bytes, size_t length, size_t offset);
// Writes value as four upper-case hex digits.
void WriteHexField(uint8_t* out, uint16_t value);
// Writes value as two upper-case hex digits.
void WriteHexByte(uint8_t* out, uint8_t value);

// --- Client to recorder -----------------------------------------------------
// Each encoder fills out (at least the named size) and returns the size.

// 00 00 01 FE "002C" "0081", then the MD5 digest of the password's bytes as
// 16 hex bytes in digest order.
size_t EncodeLoginRequest(std::string_view password, uint8_t out[kLoginRequestSize]);
// 00 00 01 FE "0010" "0085", then the key's low 8 bits as a hex field.
size_t EncodeKeyCommand(uint32_t key, uint8_t out[kKeyCommandSize]);
// 00 00 01 FE "000C" "0086".
size_t EncodeLogoutNotice(uint8_t out[kLogoutNoticeSize]);

// --- Dynamic-address exchange -----------------------------------------------

// 55 AA 55 AA, then the first 8 bytes of name, zero-padded. Longer names are
// cut to 8 bytes.
size_t EncodeDdnsQuery(std::string_view name, uint8_t out[kDdnsQuerySize]);

struct DdnsAnswer {
  uint8_t address[4];  // IPv4, first byte = first number of the dotted form
  uint16_t port;       // host order
};
// Reads the first receive after the query. 1 and *answer filled when it
// starts with 55 AA 55 AA and holds the 10 bytes of address and port; 0 (a
// refusal) otherwise. Bytes after the first 10 are not examined.
int ReadDdnsAnswer(const uint8_t* bytes, size_t length, DdnsAnswer* answer);
// "a.b.c.d" into out (at least 16 bytes, zero-terminated); returns its length.
size_t FormatDottedAddress(const uint8_t address[4], char out[16]);

// --- Recorder to client -----------------------------------------------------

enum class LoginOutcome { Accepted, Pending, Refused, Failed };
struct LoginReply {
  LoginOutcome outcome;
  // Refused: the reason's text; Failed: kTextLoginError; otherwise null.
  const char* text;
};
// Reads the bytes of one receive after a LoginRequest. The length field of
// the reply is not consulted.
LoginReply ReadLoginReply(const uint8_t* bytes, size_t length);
// The text for a refusal's reason code.
const char* RefusalText(uint16_t reason);

enum class StreamMessageKind { Ignored, Status, Channels, ServerClose };
struct StreamMessage {
  StreamMessageKind kind = StreamMessageKind::Ignored;
  uint16_t statusWord = 0;        // Status and Channels
  uint16_t channelWords[4] = {};  // Channels
};
// Reads one message of the live stream: bytes from its start code on, length
// the bytes held. The message extends over the lesser of length and its own
// length field; a message too short for the fields its code needs (including
// one whose length field is unreadable, so 0) is Ignored rather than read
// from whatever follows it.
StreamMessage ReadStreamMessage(const uint8_t* bytes, size_t length);

}  // namespace marlow
