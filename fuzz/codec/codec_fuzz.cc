// Fuzz target: arbitrary bytes through ParseHeader and Decode under every
// stream variant, on the fast path (padded bit reader, fast coefficient
// table, fastest transform) and the reference path, which must agree, and
// through every inverse transform, which must agree too.
//
// Input: byte 0 selects the variant (mod 10); the rest is one unit. The
// unit is copied into a buffer of exactly its size so the sanitizers see any
// read beyond it.
//
// The same bytes are also cut at every picture start code (00 00 01 F8/F9)
// into a sequence of pictures that one decoder (and one reference decoder
// beside it) decodes in turn into the same planes, as the engine does: what
// a picture leaves behind (its size, the planes an update picture builds
// on) is fuzzed too.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "codec/inverse_transform.h"
#include "codec/video_decoder.h"

namespace {

uint8_t* Planes() {
  static uint8_t* planes = new uint8_t[marlow::kMaxPictureBytes];
  return planes;
}
uint8_t* ReferencePlanes() {
  static uint8_t* planes = new uint8_t[marlow::kMaxPictureBytes];
  return planes;
}

// The reference path on the same bytes: the same results and the same
// planes as the fast path, whatever the bytes, from planes that start out
// alike.
void ComparePaths(int variant, const uint8_t* unit, size_t length) {
  marlow::VideoDecoder fast, reference;
  fast.Reset(variant);
  reference.Reset(variant);
  fast.UseReferencePath(false);
  reference.UseReferencePath(true);
  std::memset(Planes(), 0x5A, marlow::kMaxPictureBytes);
  std::memset(ReferencePlanes(), 0x5A, marlow::kMaxPictureBytes);
  marlow::DecodedPicture a, b;
  a.planes = Planes();
  b.planes = ReferencePlanes();
  const size_t parsed = fast.ParseHeader(unit, length);
  if (reference.ParseHeader(unit, length) != parsed) std::abort();
  // After a failed parse as well: both must stay inside the buffers.
  if (fast.Decode(unit, length, &a) != reference.Decode(unit, length, &b)) std::abort();
  if (std::memcmp(Planes(), ReferencePlanes(), marlow::kMaxPictureBytes) != 0) std::abort();
}

void CompareTransforms(const uint8_t* data, size_t size) {
  if (size < 128) return;
  int16_t input[64], a[64];
  std::memcpy(input, data, sizeof input);
  std::memcpy(a, input, sizeof a);
  marlow::InverseTransformReference(a);
  for (int path = marlow::kTransformSse2; path <= marlow::BestInverseTransformPath(); ++path) {
    marlow::SelectInverseTransformPath(path);
    int16_t b[64], c[64], t[64], p[64];
    std::memcpy(b, input, sizeof b);
    std::memcpy(c, input, sizeof c);
    // The decoder's form: the same coefficients column by column.
    for (int k = 0; k < 64; ++k) t[(k & 7) * 8 + (k >> 3)] = input[k];
    // And in the paired layout, where this path has a form for it.
    for (int k = 0; k < 64; ++k) p[marlow::PairedIndex(k >> 3, k & 7)] = input[k];
    const marlow::InverseTransformStoreFunction paired =
        marlow::CurrentInverseTransformStorePaired();
    marlow::InverseTransform(b);
    uint8_t stored[64], transposed[64];
    marlow::InverseTransformStore(c, stored, 8);
    marlow::InverseTransformStoreTransposed(t, transposed, 8);
    uint8_t pairedOut[64];
    (paired ? paired : marlow::InverseTransformStorePairedReference)(p, pairedOut, 8);
    for (int k = 0; k < 64; ++k) {
      if (a[k] != b[k] || stored[k] != a[k] || c[k] != 0) std::abort();
      if (transposed[k] != a[k] || t[k] != 0) std::abort();
      if (pairedOut[k] != a[k] || p[k] != 0) std::abort();
    }
  }
  marlow::SelectInverseTransformPath(marlow::BestInverseTransformPath());
}

void DecodeSequence(int variant, const uint8_t* bytes, size_t length) {
  static uint8_t* fastPlanes = new uint8_t[marlow::kMaxPictureBytes];
  static uint8_t* referencePlanes = new uint8_t[marlow::kMaxPictureBytes];
  std::memset(fastPlanes, 0x80, marlow::kMaxPictureBytes);
  std::memset(referencePlanes, 0x80, marlow::kMaxPictureBytes);
  marlow::VideoDecoder fast, reference;
  fast.Reset(variant);
  reference.Reset(variant);
  fast.UseReferencePath(false);
  reference.UseReferencePath(true);
  marlow::DecodedPicture a, b;
  a.planes = fastPlanes;
  b.planes = referencePlanes;
  size_t begin = 0;
  for (size_t i = 0; i <= length; ++i) {
    const bool cut =
        i == length || (i >= 3 && i > begin + 3 && bytes[i - 3] == 0 && bytes[i - 2] == 0 &&
                        bytes[i - 1] == 1 && (bytes[i] == 0xF8 || bytes[i] == 0xF9));
    if (!cut) continue;
    const size_t end = i == length ? length : i - 3;
    // Each picture in a buffer of its own size.
    const size_t n = end - begin;
    std::unique_ptr<uint8_t[]> unit(new uint8_t[n ? n : 1]);
    if (n) std::memcpy(unit.get(), bytes + begin, n);
    const size_t parsed = fast.ParseHeader(unit.get(), n);
    if (reference.ParseHeader(unit.get(), n) != parsed) std::abort();
    if (parsed) {
      if (fast.Decode(unit.get(), n, &a) != reference.Decode(unit.get(), n, &b)) std::abort();
      if (fast.Width() * fast.Height() * 3 / 2 > marlow::kMaxPictureBytes) std::abort();
      if (std::memcmp(fastPlanes, referencePlanes, marlow::kMaxPictureBytes) != 0) std::abort();
    }
    begin = end;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int variant = data[0] % 10;
  const size_t length = size - 1;
  std::unique_ptr<uint8_t[]> unit(new uint8_t[length ? length : 1]);
  if (length) std::memcpy(unit.get(), data + 1, length);

  marlow::VideoDecoder decoder;
  decoder.Reset(variant);
  marlow::DecodedPicture picture;
  picture.planes = Planes();
  if (decoder.ParseHeader(unit.get(), length)) {
    decoder.Decode(unit.get(), length, &picture);
    if (decoder.Width() * decoder.Height() * 3 / 2 > marlow::kMaxPictureBytes) std::abort();
  }
  // Decoding after a failed parse is a caller error, but must stay inside
  // the buffers too.
  decoder.Decode(unit.get(), length, &picture);
  ComparePaths(variant, unit.get(), length);
  DecodeSequence(variant, unit.get(), length);
  CompareTransforms(data + 1, length);
  return 0;
}
