// The live stream parser on arbitrary bytes in arbitrary chunks. The first
// input bytes choose the chunk sizes; the rest is the stream. Three parsers
// take the same stream: one byte at a time, in chunks of 1 to 64 bytes, and
// in chunks of any size with the queues drained only now and then (so they
// fill and drop). The first runs the per-byte steps alone, the others the
// fast path. The first two drain after every call, which never lets a queue
// fill, so they must deliver identical units and messages.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "netclient/live_unit_parser.h"
#include "netclient/protocol.h"

namespace {

using marlow::LiveUnitParser;
using marlow::QueueEntry;
using marlow::UnitQueue;
using Bytes = std::vector<uint8_t>;

struct Run final : marlow::LiveMessageSink {
  Run()
      : video(marlow::kVideoEntryCapacity, 16),
        audio(marlow::kAudioEntryCapacity, 16),
        parser(&video, &audio, this),
        buffer(marlow::kVideoEntryCapacity) {}

  void OnLiveMessage(const uint8_t* bytes, size_t length) override {
    if (length > marlow::kParserMessageBufferSize) std::abort();
    // An exactly sized copy, so that a read past the message is caught.
    Bytes copy(bytes, bytes + length);
    const marlow::StreamMessage m = marlow::ReadStreamMessage(copy.data(), copy.size());
    messages.push_back(copy);
    kinds.push_back(static_cast<int>(m.kind));
  }

  void Drain() {
    QueueEntry e;
    e.data = buffer.data();
    e.capacity = static_cast<uint32_t>(buffer.size());
    while (video.Take(&e)) videoUnits.emplace_back(buffer.begin(), buffer.begin() + e.length);
    while (audio.Take(&e)) {
      if (e.length > marlow::kAudioEntryCapacity) std::abort();
      audioUnits.emplace_back(buffer.begin(), buffer.begin() + e.length);
    }
  }

  UnitQueue video, audio;
  LiveUnitParser parser;
  Bytes buffer;
  std::vector<Bytes> videoUnits, audioUnits, messages;
  std::vector<int> kinds;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint32_t seed = data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24;
  data += 4;
  size -= 4;
  uint32_t state = seed | 1;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };

  Run single_run, small_run, large_run;
  single_run.parser.SetReferenceOnly(true);  // the others take the fast path
  Run* single = &single_run;
  Run* small = &small_run;
  Run* large = &large_run;

  for (size_t i = 0; i < size; ++i) {
    single->parser.Parse(data + i, 1);
    single->Drain();
  }
  for (size_t at = 0; at < size;) {
    size_t n = 1 + next() % 64;
    if (n > size - at) n = size - at;
    small->parser.Parse(data + at, n);
    small->Drain();
    at += n;
  }
  for (size_t at = 0; at < size;) {
    size_t n = 1 + next() % (size - at);
    large->parser.Parse(data + at, n);
    if (next() % 4 == 0) large->Drain();
    at += n;
  }
  large->Drain();

  if (single->videoUnits != small->videoUnits || single->audioUnits != small->audioUnits ||
      single->messages != small->messages || single->kinds != small->kinds)
    std::abort();
  return 0;
}
