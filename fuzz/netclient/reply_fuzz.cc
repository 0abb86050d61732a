// The readers of everything the recorder and the dynamic-address server send,
// on arbitrary bytes of every length up to the input's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "netclient/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t length = 0; length <= size && length <= 64; ++length) {
    const marlow::LoginReply r = marlow::ReadLoginReply(data, length);
    const bool needsText =
        r.outcome == marlow::LoginOutcome::Refused || r.outcome == marlow::LoginOutcome::Failed;
    if (needsText != (r.text != nullptr)) std::abort();

    marlow::DdnsAnswer answer;
    if (marlow::ReadDdnsAnswer(data, length, &answer)) {
      char dotted[16];
      if (marlow::FormatDottedAddress(answer.address, dotted) != std::strlen(dotted)) std::abort();
    }
    const marlow::StreamMessage m = marlow::ReadStreamMessage(data, length);
    if (m.kind == marlow::StreamMessageKind::Channels && length < 32) std::abort();
    if (m.kind == marlow::StreamMessageKind::Status && length < 16) std::abort();
    for (size_t offset = 0; offset <= length + 1; ++offset)
      (void)marlow::ReadHexField(data, length, offset);
  }
  // The whole input, whatever its length.
  (void)marlow::ReadLoginReply(data, size);
  (void)marlow::ReadStreamMessage(data, size);
  return 0;
}
