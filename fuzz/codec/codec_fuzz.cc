// Fuzz target: arbitrary bytes through ParseHeader and Decode under every
// stream variant, on the fast and the reference coefficient paths, which
// must agree, and through every inverse transform, which must agree too.
//
// Input: byte 0 selects the variant (mod 10); the rest is one unit. The
// unit is copied into a buffer of exactly its size so the sanitizers see any
// read beyond it.
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
    int16_t b[64], c[64];
    std::memcpy(b, input, sizeof b);
    std::memcpy(c, input, sizeof c);
    marlow::InverseTransform(b);
    uint8_t stored[64];
    marlow::InverseTransformStore(c, stored, 8);
    for (int k = 0; k < 64; ++k) {
      if (a[k] != b[k] || stored[k] != a[k] || c[k] != 0) std::abort();
    }
  }
  marlow::SelectInverseTransformPath(marlow::BestInverseTransformPath());
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
  CompareTransforms(data + 1, length);
  return 0;
}
