#include "netclient/unit_queue.h"

#include <cstring>

namespace marlow {

UnitQueue::UnitQueue(uint32_t capacity, uint32_t count)
    : capacity_(capacity),
      count_(count > 0xFFFF ? 0xFFFF : count),
      pool_(new uint8_t[static_cast<size_t>(capacity_) * count_]),
      entries_(new QueueEntry[count_]) {
  ready_.slots.reset(new uint16_t[count_ ? count_ : 1]);
  free_.slots.reset(new uint16_t[count_ ? count_ : 1]);
  for (uint32_t i = 0; i < count_; ++i) {
    entries_[i].data = pool_.get() + static_cast<size_t>(i) * capacity_;
    entries_[i].capacity = capacity_;
    Append(free_, static_cast<uint16_t>(i));
  }
}

void UnitQueue::Append(IndexRing& ring, uint16_t index) {
  ring.slots[(ring.head + ring.size) % count_] = index;
  ++ring.size;
}

uint16_t UnitQueue::RemoveFirst(IndexRing& ring) {
  const uint16_t index = ring.slots[ring.head];
  ring.head = (ring.head + 1) % count_;
  --ring.size;
  return index;
}

int UnitQueue::Push(const uint8_t* data, uint32_t length, const UnitInfo& info) {
  std::lock_guard<std::mutex> hold(lock_);
  if (free_.size == 0) {
    ++droppedFull_;
    return 1;
  }
  // The free buffer is looked at before the length, as all buffers are equal;
  // it stays first on the free list when the unit is refused.
  if (length > capacity_) {
    ++droppedTooLong_;
    return 0;
  }
  const uint16_t index = RemoveFirst(free_);
  QueueEntry& e = entries_[index];
  if (length != 0) std::memcpy(e.data, data, length);
  e.length = length;
  e.info = info;
  Append(ready_, index);
  readyEvent_.Set();
  return 1;
}

int UnitQueue::Take(QueueEntry* out) {
  std::lock_guard<std::mutex> hold(lock_);
  if (ready_.size == 0 || out->capacity < capacity_) return 0;
  const uint16_t index = RemoveFirst(ready_);
  if (ready_.size == 0) readyEvent_.Reset();
  const QueueEntry& e = entries_[index];
  if (e.length != 0) std::memcpy(out->data, e.data, e.length);
  out->length = e.length;
  out->info = e.info;
  Append(free_, index);
  return 1;
}

uint32_t UnitQueue::ReadyCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return ready_.size;
}

uint64_t UnitQueue::DroppedFull() {
  std::lock_guard<std::mutex> hold(lock_);
  return droppedFull_;
}

uint64_t UnitQueue::DroppedTooLong() {
  std::lock_guard<std::mutex> hold(lock_);
  return droppedTooLong_;
}

}  // namespace marlow
