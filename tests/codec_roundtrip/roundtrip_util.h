// Helpers of the round-trip tests: decode one encoded picture with the
// viewer's VideoDecoder, and compare pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/video_decoder.h"

namespace marlow {

constexpr size_t kUnitCapacity = 131072;

// StreamVariant for each header layout: 0 uses layout 1, 4 layout 2, 2 layout 3.
int VariantOfLayout(int layout);

// Parses and decodes `data` into `planes` (width x height x 3 / 2 bytes,
// updated in place). Returns 1 on success and reports the parse results.
int DecodeInto(VideoDecoder& decoder, const uint8_t* data, size_t length, uint8_t* planes,
               int* width, int* height, int* channel);

// Peak signal-to-noise ratio of the luma planes in dB (99 when identical).
double LumaPsnr(const uint8_t* a, const uint8_t* b, int width, int height);
// The same over the two chroma planes together.
double ChromaPsnr(const uint8_t* a, const uint8_t* b, int width, int height);

// FNV-1a over bytes, chained through `hash`.
uint64_t Fnv1a(const uint8_t* data, size_t n, uint64_t hash = 1469598103934665603ull);

}  // namespace marlow
