// Feeds arbitrary bytes to RecordingSource as a recording file and as a disk
// image, reading forwards and backwards in turns, with the fast scan and the
// read-ahead checked against the plain references on every read. The bytes are read from memory
// through the file layer's memory files: no temporary files, thousands of
// runs a second.
//
// Random bytes almost never make a block whose header check holds, so the
// check byte of each block is repaired unless bit 7 of its byte 6 is set
// (readers ignore that bit): most blocks are valid, some are broken.
// Useful inputs span several blocks: run with -max_len=65536 or more.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/file.h"
#include "recording/recording_source.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> bytes;
  marlow::platform::EnableMemoryFiles(true);
  bytes.assign(data, data + size);
  for (size_t at = 0; at + marlow::kBlockSize <= size; at += marlow::kBlockSize) {
    if (!(bytes[at + 6] & 0x80)) bytes[at + 7] = marlow::HeaderCheck(&bytes[at], 7);
  }
  marlow::platform::PutMemoryFile("mem:fuzz.kvr", bytes.data(), bytes.size());
  // The same recording as a disk holds it: bytes exchanged within words.
  marlow::SwapWordBytes(bytes.data(), bytes.size());
  marlow::platform::PutMemoryFile("mem:fuzz.img", bytes.data(), bytes.size());

  static std::vector<uint8_t> a(marlow::kMaxUnitBytes), b(marlow::kMaxUnitBytes);
  // Chunks of three blocks, so reads meet chunk seams and short chunks often.
  static marlow::RecordingSource fast(3 * marlow::kBlockSize), plain;
  plain.UseReferenceScan(true);
  plain.UsePlainReads(true);
  for (int disk = 0; disk < 2; ++disk) {
    const char* path = disk ? "mem:fuzz.img" : "mem:fuzz.kvr";
    const int of = fast.OpenSource(path, disk != 0);
    const int op = plain.OpenSource(path, disk != 0);
    Check(of == op);
    if (!of) continue;
    // The reading pattern comes from the input's first bytes.
    uint32_t pattern = 0x9E3779B9u;
    for (size_t i = 0; i < size && i < 4; ++i) pattern = pattern * 31 + data[i];
    for (int step = 0; step < 64; ++step) {
      const uint32_t bits = (pattern >> (step % 32)) & 3;
      uint32_t na = 0, nb = 0;
      if (bits == 3 && fast.Size() > 0) {
        const uint64_t p = (static_cast<uint64_t>(pattern) * (step + 1)) % fast.Size();
        fast.SetPosition(p);
        plain.SetPosition(p);
      } else if (bits & 1) {
        na = fast.ReadBackward(a.data());
        nb = plain.ReadBackward(b.data());
      } else {
        na = fast.ReadForward(a.data());
        nb = plain.ReadForward(b.data());
      }
      Check(na == nb && na <= marlow::kMaxUnitBytes);
      Check(std::memcmp(a.data(), b.data(), na) == 0);
      Check(fast.Position() == plain.Position() && fast.Position() <= fast.Size() + 4096);
      Check(fast.LastIsAudio() == plain.LastIsAudio() && fast.LastChannel() == plain.LastChannel());
      Check(fast.LastReadFoundUnit() == plain.LastReadFoundUnit());
      marlow::TimeRecord t;
      fast.CurrentTime(&t);
    }
    fast.Close();
    plain.Close();
  }
  return 0;
}
