// The SSE2 kernel's chroma terms, shared with the SSSE3 kernel (which adds
// only a faster 24-bit store): see pixel_convert_sse2.cc for the fixed point.
// x86-64 only; every function is inline and needs nothing beyond SSE2.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace marlow {
namespace convert_internal {
namespace sse2 {

// The terms of eight pixel pairs, t0..t7 in order, one 16-bit lane each.
struct RawTerms {
  __m128i r, g, b;
};

inline RawTerms LoadRawTerms(const uint8_t* cb, const uint8_t* cr) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi16(128);
  const __m128i u = _mm_sub_epi16(
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb)), zero), bias);
  const __m128i v = _mm_sub_epi16(
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr)), zero), bias);
  RawTerms t;
  t.r = _mm_mulhi_epi16(_mm_slli_epi16(v, 6), _mm_set1_epi16(1436));
  t.b = _mm_mulhi_epi16(_mm_slli_epi16(u, 6), _mm_set1_epi16(1815));
  // Pairs (u, v) times (-352, -731), summed in 32 bits.
  const __m128i gCoef = _mm_set1_epi32(static_cast<int>(
      (0xFFFFu & static_cast<unsigned>(-731)) << 16 | (0xFFFFu & static_cast<unsigned>(-352))));
  const __m128i gLo32 = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(u, v), gCoef), 10);
  const __m128i gHi32 = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(u, v), gCoef), 10);
  t.g = _mm_packs_epi32(gLo32, gHi32);
  return t;
}

// Terms as unsigned bytes for the 24- and 32-bit packings: the positive part
// p = max(t, 0) and the negative part n = max(-t, 0) (both 0..227); p | p << 8
// in the 16-bit lane of pair k puts the term into the bytes of pixels 2k and
// 2k + 1.
struct ByteTerms {
  __m128i rp, rn, gp, gn, bp, bn;
};

inline void SplitTerm(__m128i t, __m128i* p, __m128i* n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i pos = _mm_max_epi16(t, zero);
  const __m128i neg = _mm_max_epi16(_mm_sub_epi16(zero, t), zero);
  *p = _mm_or_si128(pos, _mm_slli_epi16(pos, 8));
  *n = _mm_or_si128(neg, _mm_slli_epi16(neg, 8));
}

inline ByteTerms LoadByteTerms(const uint8_t* cb, const uint8_t* cr) {
  const RawTerms raw = LoadRawTerms(cb, cr);
  ByteTerms t;
  SplitTerm(raw.r, &t.rp, &t.rn);
  SplitTerm(raw.g, &t.gp, &t.gn);
  SplitTerm(raw.b, &t.bp, &t.bn);
  return t;
}

// Y + t for 16 pixels in bytes with the clamping rule: only one of p, n is
// non-zero, so saturating add then subtract gives min(Y + t, 255) or
// max(Y + t, 0); the result was negative exactly when n > Y, and then the 0
// becomes 1.
inline __m128i ChannelBytes(__m128i y, __m128i p, __m128i n) {
  const __m128i x = _mm_subs_epu8(_mm_adds_epu8(y, p), n);
  return _mm_or_si128(x, _mm_min_epu8(_mm_subs_epu8(n, y), _mm_set1_epi8(1)));
}

}  // namespace sse2
}  // namespace convert_internal
}  // namespace marlow
