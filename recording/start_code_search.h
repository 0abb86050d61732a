// Search for the 00 00 01 prefix of start codes in a block, sixteen bytes at
// a time where the processor has SSE2 (every x86-64), byte by byte
// elsewhere. Both searches return the offset of the prefix's 01 byte; the
// caller checks the code byte after it. Random stream bytes hold a 01 every
// 256 bytes but a 00 00 01 only every 16 MiB, so the fast scans stop almost
// only at true start codes.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace marlow {

// The first k in [from, end) with b[k - 2] == 0, b[k - 1] == 0, b[k] == 1;
// end when there is none. Requires from >= 2; reads b[from - 2 .. end).
inline size_t FindPrefixForward(const uint8_t* b, size_t from, size_t end) {
  size_t k = from;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  for (; k + 16 <= end; k += 16) {
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k - 2));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k - 1));
    const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
    const __m128i hit =
        _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x0, x1), zero), _mm_cmpeq_epi8(x2, one));
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (m != 0) return k + static_cast<size_t>(__builtin_ctz(m));
  }
#endif
  for (; k < end; ++k) {
    if (b[k] == 1 && b[k - 1] == 0 && b[k - 2] == 0) return k;
  }
  return end;
}

// The last k in [from, end) with b[k - 2] == 0, b[k - 1] == 0, b[k] == 1;
// 0 when there is none. Requires from >= 2; reads b[from - 2 .. end).
inline size_t FindPrefixBackward(const uint8_t* b, size_t from, size_t end) {
  size_t k = end;  // one past the next candidate
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i one = _mm_set1_epi8(1);
  for (; k >= from + 16; k -= 16) {
    const uint8_t* p = b + k - 16;
    const __m128i x0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 2));
    const __m128i x1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
    const __m128i x2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit =
        _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x0, x1), zero), _mm_cmpeq_epi8(x2, one));
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (m != 0) return k - 16 + static_cast<size_t>(31 - __builtin_clz(m));
  }
#endif
  while (k > from) {
    --k;
    if (b[k] == 1 && b[k - 1] == 0 && b[k - 2] == 0) return k;
  }
  return 0;
}

}  // namespace marlow
