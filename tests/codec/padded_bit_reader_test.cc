// The padded bit reader against the plain one: the same bits from every
// start, for inputs shorter and longer than a step's reach, read in steps of
// random sizes up to the step limit; the end of the input reported exactly
// when its last bit is consumed. Inputs live in heap blocks of exactly their
// size, so AddressSanitizer sees any load outside them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>

#include "codec/bit_reader.h"
#include "codec/padded_bit_reader.h"

namespace marlow {
namespace {

constexpr size_t kStep = 40;  // bytes a step may consume
using Reader = PaddedBitReader<kStep>;

TEST(PaddedBitReaderTest, DeliversTheInputThenZerosAndReportsItsEnd) {
  std::mt19937 gen(2024);
  auto tail = std::make_unique<Reader::Tail>();
  for (size_t length : {1, 2, 7, 8, 9, 55, 56, 57, 63, 64, 111, 112, 113, 300, 1000}) {
    std::unique_ptr<uint8_t[]> data(new uint8_t[length]);
    for (size_t k = 0; k < length; ++k) data[k] = static_cast<uint8_t>(gen());
    tail->Fill(data.get(), length);
    for (size_t offset = 0; offset < length; offset += 1 + length / 23) {
      Reader fast(data.get(), length, offset, *tail);
      BitReader plain(data.get(), length, offset);
      size_t consumed = offset * 8;
      for (int step = 0;; ++step) {
        const bool more = fast.BeginStep();
        ASSERT_EQ(more, consumed < length * 8) << length << " " << offset << " " << step;
        if (!more) break;
        // Up to a whole step in reads of 1..28 bits, refilled as the
        // decoder does; the plain reader reads the same.
        size_t budget = gen() % (kStep * 8 + 1);
        while (budget > 0) {
          const int n = static_cast<int>(1 + gen() % (budget < 28 ? budget : 28));
          fast.RefillIfBelow(n);
          plain.RefillIfBelow(n);
          ASSERT_EQ(fast.Read(n), plain.Read(n)) << length << " " << offset << " " << step;
          budget -= static_cast<size_t>(n);
          consumed += static_cast<size_t>(n);
        }
      }
    }
  }
}

}  // namespace
}  // namespace marlow
