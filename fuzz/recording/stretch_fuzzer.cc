// SaveStretch and SeekToMark on fuzzed recordings, read from memory files.
// The first 24 bytes choose start, end and mark; the rest is the recording
// (check bytes repaired as in recording_fuzzer unless bit 7 of byte 6 is
// set), read as a file and as a disk image. A save either fails and leaves
// no file, or gives exactly the whole blocks of the stretch in natural order;
// SeekToMark returns a video unit at or after the mark, or nothing.
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

uint64_t Le64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 24) return 0;
  marlow::platform::EnableMemoryFiles(true);
  const uint64_t start = Le64(data), end = Le64(data + 8), mark = Le64(data + 16);
  static std::vector<uint8_t> natural, disk, saved;
  natural.assign(data + 24, data + size);
  for (size_t at = 0; at + marlow::kBlockSize <= natural.size(); at += marlow::kBlockSize) {
    if (!(natural[at + 6] & 0x80)) natural[at + 7] = marlow::HeaderCheck(&natural[at], 7);
  }
  disk = natural;
  marlow::SwapWordBytes(disk.data(), disk.size());
  marlow::platform::PutMemoryFile("mem:stretch.kvr", natural.data(), natural.size());
  marlow::platform::PutMemoryFile("mem:stretch.img", disk.data(), disk.size());

  static std::vector<uint8_t> unit(marlow::kMaxUnitBytes);
  static marlow::RecordingSource src;
  for (int asDisk = 0; asDisk < 2; ++asDisk) {
    const char* path = asDisk ? "mem:stretch.img" : "mem:stretch.kvr";
    if (!src.OpenSource(path, asDisk != 0)) continue;
    const uint64_t n = src.Size();
    // Positions folded into the source now and then, so most saves succeed.
    const uint64_t s = (data[0] & 1) && n ? start % n : start;
    const uint64_t e = (data[8] & 1) && n ? end % n : end;
    marlow::platform::RemoveFile("mem:out.kvr");
    const int ok = src.SaveStretch(s, e, "mem:out.kvr");
    const bool there = marlow::platform::GetMemoryFile("mem:out.kvr", &saved);
    Check(ok == (there ? 1 : 0));
    if (ok) {
      Check(s < e && e < n);
      const uint64_t from = s / marlow::kBlockSize * marlow::kBlockSize;
      uint64_t to = (e + marlow::kBlockSize - 1) / marlow::kBlockSize * marlow::kBlockSize;
      if (to > n) to = n;
      Check(saved.size() == to - from);
      Check(std::memcmp(saved.data(), natural.data() + from, saved.size()) == 0);
    }
    // Never onto itself.
    Check(src.SaveStretch(0, n ? n - 1 : 0, path) == 0);
    if (src.SetMark((data[16] & 1) && n ? mark % n : mark)) {
      const uint32_t got = src.SeekToMark(unit.data());
      Check(got <= marlow::kMaxUnitBytes);
      if (src.LastReadFoundUnit()) {
        Check(!src.LastIsAudio() && got >= 4 && unit[0] == 0 && unit[1] == 0 && unit[2] == 1);
        Check(src.Position() <= n);
      }
    }
    src.Close();
  }
  Check(marlow::platform::GetMemoryFile("mem:stretch.kvr", &saved) &&
        saved == natural);  // the source was never changed
  return 0;
}
