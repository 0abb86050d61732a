// The recorder side's readers (what the stand-ins read from a client) on
// arbitrary bytes: every message span stays inside the bytes, a stream is
// consumed to its end one message at a time whatever it holds, and a
// LoginRequest always carries a digest that reads back from its hex.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/protocol_peer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The stream as a recorder reads it: message after message.
  size_t used = 0;
  while (used < size) {
    marlow::ClientMessage m;
    const size_t span = marlow::ReadClientMessage(data + used, size - used, &m);
    if (span == 0) break;  // more bytes needed
    if (span > size - used || span != m.length) std::abort();
    if (m.kind != marlow::ClientMessageKind::Unknown && span < 12) std::abort();
    used += span;
  }
  // Whatever is left is the beginning of one message that is not complete.
  if (size - used >= 4 && data[used] != 0) std::abort();
  for (size_t offset = 0; offset <= size + 1; offset += 7) {
    uint8_t digest[marlow::kMd5DigestSize];
    (void)marlow::ReadHexDigest(data, size, offset, digest);
  }
  std::string name;
  if (marlow::ReadDdnsQuery(data, size, &name) && name.size() > 8) std::abort();
  return 0;
}
