#include "recording/block_format.h"

namespace marlow {

namespace {

// T[i]: CRC-8 of the single byte i, polynomial 0x07, MSB first, start 0.
struct CheckTable {
  uint8_t t[256];
  constexpr CheckTable() : t() {
    for (int i = 0; i < 256; ++i) {
      unsigned r = static_cast<unsigned>(i);
      for (int bit = 0; bit < 8; ++bit) r = (r & 0x80) ? ((r << 1) ^ 0x07) : (r << 1);
      t[i] = static_cast<uint8_t>(r);
    }
  }
};
constexpr CheckTable kCheck;
static_assert(kCheck.t[1] == 0x07 && kCheck.t[2] == 0x0E && kCheck.t[3] == 0x09 &&
                  kCheck.t[128] == 0x89,
              "CRC-8 table");

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the era
// arithmetic of 400-year cycles; exact for every date a uint32 reaches).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<int64_t>(yoe) + era * 400 + (*m <= 2);
}

}  // namespace

uint8_t HeaderCheck(const uint8_t* bytes, size_t n) {
  uint8_t r = 0xFF;
  for (size_t i = 0; i < n; ++i) r = static_cast<uint8_t>(r ^ kCheck.t[r ^ bytes[i]]);
  return static_cast<uint8_t>(~r);
}

bool ParseBlockHeader(const uint8_t* block, BlockHeader* out) {
  out->time = Le32(block);
  out->channelMask = static_cast<uint16_t>(block[4] | block[5] << 8);
  out->frameSkip = static_cast<uint8_t>(block[6] & 0x7F);
  out->check = block[7];
  return HeaderCheck(block, 7) == block[7];
}

void BuildBlockHeader(uint32_t time, uint16_t channelMask, uint8_t frameSkip, uint8_t out[8]) {
  out[0] = static_cast<uint8_t>(time);
  out[1] = static_cast<uint8_t>(time >> 8);
  out[2] = static_cast<uint8_t>(time >> 16);
  out[3] = static_cast<uint8_t>(time >> 24);
  out[4] = static_cast<uint8_t>(channelMask);
  out[5] = static_cast<uint8_t>(channelMask >> 8);
  out[6] = static_cast<uint8_t>(frameSkip & 0x7F);
  out[7] = HeaderCheck(out, 7);
}

void SwapWordBytes(uint8_t* bytes, size_t n) {
  for (size_t i = 0; i + 1 < n; i += 2) {
    const uint8_t t = bytes[i];
    bytes[i] = bytes[i + 1];
    bytes[i + 1] = t;
  }
}

TimeRecord BreakDownTime(uint32_t seconds) {
  const int64_t days = seconds / 86400;
  const uint32_t rest = seconds % 86400;
  int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, &y, &m, &d);
  TimeRecord t;
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(m);
  t.day = static_cast<uint16_t>(d);
  t.hour = static_cast<uint16_t>(rest / 3600);
  t.minute = static_cast<uint16_t>(rest / 60 % 60);
  t.second = static_cast<uint16_t>(rest % 60);
  return t;
}

uint32_t SecondsFromTime(const TimeRecord& t) {
  const int64_t days = DaysFromCivil(t.year, t.month, t.day);
  return static_cast<uint32_t>(days * 86400 + t.hour * 3600 + t.minute * 60 + t.second);
}

bool PlanStretch(uint64_t start, uint64_t end, uint64_t size, uint64_t* first, uint64_t* last) {
  if (!(start < end && start < size && end < size)) return false;
  const uint64_t from = start / kBlockSize * kBlockSize;
  const uint64_t to = (end + kBlockSize - 1) / kBlockSize * kBlockSize;
  if (to - from > kMaxStretchBytes) return false;
  *first = from;
  *last = to;
  return true;
}

}  // namespace marlow
