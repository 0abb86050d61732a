#include "netclient/unit_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace marlow {
namespace {

// A caller-side entry with its own buffer.
struct Slot {
  explicit Slot(uint32_t capacity) : bytes(capacity) {
    entry.data = bytes.data();
    entry.capacity = capacity;
  }
  std::vector<uint8_t> bytes;
  QueueEntry entry;
};

UnitInfo InfoWithSecond(uint16_t second) {
  UnitInfo info;
  info.time.year = 2024;
  info.time.second = second;
  info.extra[7] = 0xABCD;
  return info;
}

TEST(UnitQueue, FullQueueDropsTheNewestAndKeepsArrivalOrder) {
  UnitQueue q(kAudioEntryCapacity, kEntryCount);
  uint8_t unit[64];
  for (uint8_t i = 0; i < 17; ++i) {
    for (uint8_t& b : unit) b = i;
    EXPECT_EQ(q.Push(unit, 10u + i, InfoWithSecond(i)), 1) << int(i);
  }
  EXPECT_EQ(q.ReadyCount(), 16u);
  EXPECT_EQ(q.DroppedFull(), 1u);
  Slot out(kAudioEntryCapacity);
  for (uint8_t i = 0; i < 16; ++i) {
    EXPECT_TRUE(q.ReadyEvent().IsSet());
    ASSERT_EQ(q.Take(&out.entry), 1);
    EXPECT_EQ(out.entry.length, 10u + i);
    EXPECT_EQ(out.bytes[0], i);
    EXPECT_EQ(out.bytes[9 + i], i);
    EXPECT_EQ(out.entry.info.time.second, i);
    EXPECT_EQ(out.entry.info.extra[7], 0xABCD);
  }
  // Empty: 0, and the event is left non-signalled.
  EXPECT_FALSE(q.ReadyEvent().IsSet());
  EXPECT_EQ(q.Take(&out.entry), 0);
  EXPECT_FALSE(q.ReadyEvent().IsSet());
  // Every buffer went back to the free list.
  for (int i = 0; i < 16; ++i) EXPECT_EQ(q.Push(unit, 1, UnitInfo()), 1);
  EXPECT_EQ(q.DroppedFull(), 1u);
  EXPECT_EQ(q.ReadyCount(), 16u);
}

TEST(UnitQueue, EventFollowsTheReadyList) {
  UnitQueue q(16, 4);
  Slot out(16);
  const uint8_t unit[1] = {7};
  EXPECT_FALSE(q.ReadyEvent().IsSet());
  q.Push(unit, 1, UnitInfo());
  q.Push(unit, 1, UnitInfo());
  EXPECT_TRUE(q.ReadyEvent().IsSet());
  ASSERT_EQ(q.Take(&out.entry), 1);
  EXPECT_TRUE(q.ReadyEvent().IsSet());  // one still queued
  ASSERT_EQ(q.Take(&out.entry), 1);
  EXPECT_FALSE(q.ReadyEvent().IsSet());
  // An empty unit is a unit too.
  EXPECT_EQ(q.Push(nullptr, 0, UnitInfo()), 1);
  ASSERT_EQ(q.Take(&out.entry), 1);
  EXPECT_EQ(out.entry.length, 0u);
}

TEST(UnitQueue, OverlongUnitAndShortCallerBufferAreRefused) {
  UnitQueue q(16, 2);
  std::vector<uint8_t> unit(17, 5);
  // Over capacity: 0, nothing read, no buffer used. The data pointer may be
  // shorter than the length it reports.
  EXPECT_EQ(q.Push(unit.data(), 0xFFFFFFFFu, UnitInfo()), 0);
  EXPECT_EQ(q.Push(unit.data(), 17, UnitInfo()), 0);
  EXPECT_EQ(q.DroppedTooLong(), 2u);
  EXPECT_EQ(q.ReadyCount(), 0u);
  EXPECT_EQ(q.Push(unit.data(), 16, UnitInfo()), 1);  // exactly the capacity
  EXPECT_EQ(q.Push(unit.data(), 16, UnitInfo()), 1);
  EXPECT_EQ(q.ReadyCount(), 2u);
  Slot small(15), fits(16);
  EXPECT_EQ(q.Take(&small.entry), 0);
  EXPECT_EQ(q.ReadyCount(), 2u);
  ASSERT_EQ(q.Take(&fits.entry), 1);
  EXPECT_EQ(fits.entry.length, 16u);
  EXPECT_EQ(fits.bytes[15], 5);
}

// A producer pushing as fast as it can and a consumer waiting on the event:
// every unit arrives intact and in order, or was counted as dropped.
TEST(UnitQueue, ProducerAndConsumerThreads) {
  constexpr uint32_t kUnits = 20000;
  constexpr uint32_t kCapacity = 512;
  UnitQueue q(kCapacity, kEntryCount);
  std::atomic<bool> done{false};
  std::vector<uint32_t> received;
  bool intact = true;

  std::thread consumer([&] {
    Slot out(kCapacity);
    for (;;) {
      const bool finished = done.load();
      if (!q.ReadyEvent().Wait(5) && !finished) continue;
      while (q.Take(&out.entry) == 1) {
        uint32_t seq = out.entry.info.extra[0] | uint32_t{out.entry.info.extra[1]} << 16;
        if (out.entry.length != 1 + seq % kCapacity) intact = false;
        for (uint32_t i = 0; i < out.entry.length; ++i)
          if (out.bytes[i] != static_cast<uint8_t>(seq + i)) intact = false;
        received.push_back(seq);
      }
      if (finished) break;
    }
  });

  std::vector<uint8_t> unit(kCapacity);
  for (uint32_t seq = 0; seq < kUnits; ++seq) {
    const uint32_t length = 1 + seq % kCapacity;
    for (uint32_t i = 0; i < length; ++i) unit[i] = static_cast<uint8_t>(seq + i);
    UnitInfo info;
    info.extra[0] = static_cast<uint16_t>(seq);
    info.extra[1] = static_cast<uint16_t>(seq >> 16);
    ASSERT_EQ(q.Push(unit.data(), length, info), 1);
    if (seq % 64 == 0) std::this_thread::yield();
  }
  done = true;
  consumer.join();

  EXPECT_TRUE(intact);
  EXPECT_EQ(received.size() + q.DroppedFull(), kUnits);
  EXPECT_FALSE(received.empty());
  for (size_t i = 1; i < received.size(); ++i) ASSERT_LT(received[i - 1], received[i]);
  EXPECT_FALSE(q.ReadyEvent().IsSet());
}

}  // namespace
}  // namespace marlow
