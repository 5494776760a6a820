#include "midi/CircularEventBuffer.h"

#include <new>

namespace midi {

namespace {

BufferedEvent* NextSlot(const CircularEventBuffer& ring, BufferedEvent* slot) noexcept {
  ++slot;
  return slot == ring.StorageEnd ? ring.StorageStart : slot;
}

}  // namespace

CircularEventBuffer* CircularBufferCreate(std::uint16_t capacity) {
  if (capacity == 0 || capacity > kMaxRingCapacity) return nullptr;
  const SharedBlock record = SharedLockedAlloc(sizeof(CircularEventBuffer));
  if (record.Address == nullptr) return nullptr;
  const SharedBlock storage = SharedLockedAlloc(static_cast<std::uint16_t>(capacity * sizeof(BufferedEvent)));
  if (storage.Address == nullptr) {
    SharedLockedFree(record.Handle);
    return nullptr;
  }
  auto* ring = new (record.Address) CircularEventBuffer{};
  auto* slots = new (storage.Address) BufferedEvent[capacity]{};
  ring->OwnHandle = record.Handle;
  ring->StorageHandle = storage.Handle;
  ring->StorageStart = slots;
  ring->StorageEnd = slots + capacity;
  ring->PutPosition.store(slots, std::memory_order_relaxed);
  ring->GetPosition.store(slots, std::memory_order_relaxed);
  ring->SlotCount = capacity;
  ring->PendingCount.store(0, std::memory_order_relaxed);
  return ring;
}

void CircularBufferFree(CircularEventBuffer* ring) {
  if (ring == nullptr) return;
  const HGLOBAL own = ring->OwnHandle;
  SharedLockedFree(ring->StorageHandle);
  ring->~CircularEventBuffer();
  SharedLockedFree(own);
}

bool CircularBufferPut(CircularEventBuffer* ring, const BufferedEvent& item) noexcept {
  if (ring->PendingCount.load(std::memory_order_acquire) >= ring->SlotCount) return false;
  BufferedEvent* slot = ring->PutPosition.load(std::memory_order_relaxed);
  *slot = item;
  ring->PutPosition.store(NextSlot(*ring, slot), std::memory_order_relaxed);
  ring->PendingCount.fetch_add(1, std::memory_order_release);
  return true;
}

bool CircularBufferPeek(CircularEventBuffer* ring, BufferedEvent& destination) noexcept {
  if (ring->PendingCount.load(std::memory_order_acquire) == 0) return false;
  destination = *ring->GetPosition.load(std::memory_order_relaxed);
  return true;
}

bool CircularBufferRemove(CircularEventBuffer* ring) noexcept {
  if (ring->PendingCount.load(std::memory_order_acquire) == 0) return false;
  BufferedEvent* slot = ring->GetPosition.load(std::memory_order_relaxed);
  ring->GetPosition.store(NextSlot(*ring, slot), std::memory_order_relaxed);
  ring->PendingCount.fetch_sub(1, std::memory_order_release);
  return true;
}

}  // namespace midi
