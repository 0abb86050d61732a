#include "export/export_progress.h"

namespace marlow {

ProgressScale ScaleForSize(uint64_t size) {
  ProgressScale s;
  while ((size >> s.shift) > 0x7FFFFFFFull) ++s.shift;
  s.range = static_cast<int32_t>(size >> s.shift);
  return s;
}

int32_t ScaledPosition(const ProgressScale& scale, uint64_t position) {
  const uint64_t p = position >> scale.shift;
  return p > static_cast<uint64_t>(scale.range) ? scale.range : static_cast<int32_t>(p);
}

int ProgressPercent(uint64_t position, uint64_t size) {
  if (size == 0) return 0;
  if (position >= size) return 100;
  return static_cast<int>(static_cast<unsigned __int128>(position) * 100 / size);
}

}  // namespace marlow
