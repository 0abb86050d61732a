// The hand-over of live units from the network client's thread to the engine
// thread: a fixed pool of equal buffers on two FIFO lists, ready and free.
// Push copies a unit into the oldest free buffer, Take copies the oldest
// ready unit out. When no buffer is free the new unit is dropped, so a slow
// consumer loses the newest units and keeps the ones already queued.
//
// Every buffer is allocated at construction; Push and Take allocate nothing.
// One lock guards both lists for the whole of each operation, copies
// included. ReadyEvent is signalled from the Push into an empty ready list
// until the Take that empties it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/sync.h"
#include "recording/time_record.h"

namespace marlow {

// The 32-byte record that travels with a unit: its time, then values that
// only some producers fill.
struct UnitInfo {
  TimeRecord time;
  uint16_t extra[8] = {};  // record offsets 16..31
};
static_assert(sizeof(UnitInfo) == 32, "UnitInfo must keep the 32-byte layout");

// One unit in queue form; also the caller's buffer for Take.
struct QueueEntry {
  uint8_t* data = nullptr;
  uint32_t capacity = 0;  // bytes data can hold
  uint32_t length = 0;    // unit bytes in data
  UnitInfo info;
};

constexpr uint32_t kVideoEntryCapacity = 131072;
constexpr uint32_t kAudioEntryCapacity = 4096;
constexpr uint32_t kEntryCount = 16;

class UnitQueue {
 public:
  // count buffers of capacity bytes, all free (count at most 65535).
  UnitQueue(uint32_t capacity, uint32_t count);
  UnitQueue(const UnitQueue&) = delete;
  UnitQueue& operator=(const UnitQueue&) = delete;

  // Queues a copy of length bytes of data with info. 1 when queued, and also
  // 1 when no buffer was free (the unit is dropped); 0 when length exceeds
  // the capacity (dropped). data is read only when the unit is queued, so a
  // caller may pass a length larger than its own buffer to report an
  // over-long unit.
  int Push(const uint8_t* data, uint32_t length, const UnitInfo& info);
  // Copies the oldest unit into out (its data, length and info) and frees its
  // buffer: 1; 0 when nothing is ready. out->capacity must be at least
  // Capacity(); a smaller buffer gets 0 and the unit stays queued.
  int Take(QueueEntry* out);

  platform::Event& ReadyEvent() { return readyEvent_; }
  uint32_t Capacity() const { return capacity_; }
  uint32_t Count() const { return count_; }
  uint32_t ReadyCount();
  // Units dropped so far because no buffer was free, and because too long.
  uint64_t DroppedFull();
  uint64_t DroppedTooLong();

 private:
  // A FIFO of entry indices in a fixed ring; it can hold every entry.
  struct IndexRing {
    std::unique_ptr<uint16_t[]> slots;
    uint32_t head = 0, size = 0;
  };
  void Append(IndexRing& ring, uint16_t index);
  uint16_t RemoveFirst(IndexRing& ring);

  const uint32_t capacity_;
  const uint32_t count_;
  std::unique_ptr<uint8_t[]> pool_;  // count_ x capacity_ bytes
  std::unique_ptr<QueueEntry[]> entries_;

  std::mutex lock_;  // guards the lists, the entries and the counters
  IndexRing ready_, free_;
  uint64_t droppedFull_ = 0, droppedTooLong_ = 0;
  platform::Event readyEvent_{false};
};

}  // namespace marlow
