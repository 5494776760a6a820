#pragma once

// The ring of received events that the driver callback fills and the input port empties, kept in
// shared blocks.
//
// Not platform::EventRing: its slots have one size, and its memory is shared blocks (the only
// memory of the port layer the driver callback may touch), so one block's 16-bit size bounds it.

#include <atomic>
#include <cstdint>

#include "midi/SharedMemory.h"
#include "midi/platform/MmSystem.h"

namespace midi {

// One received event: a short message, or a System Exclusive buffer that came back filled.
struct BufferedEvent {
  DWORD TimeStamp;       // milliseconds since the device was started
  DWORD ShortMessage;    // status in bits 0-7, data 1 in 8-15, data 2 in 16-23; 0 for System Exclusive
  MIDIHDR* SysexHeader;  // the returned buffer; none for a short message
};

// Slots one ring can hold: its storage is a single shared block, whose size is 16 bits wide.
// (5461 where a header reference takes 32 bits; 4095 with 64-bit references.)
inline constexpr std::uint16_t kMaxRingCapacity = 0xFFFF / sizeof(BufferedEvent);

// Single producer (the driver callback), single consumer (the input port in the window thread),
// no lock. Only PendingCount is written by both sides: a put stores its item and moves
// PutPosition before it raises the count (release), and the consumer reads an item only after
// seeing the raised count (acquire); a remove lowers the count only after the item was read.
struct CircularEventBuffer {
  HGLOBAL OwnHandle;
  HGLOBAL StorageHandle;
  BufferedEvent* StorageStart;
  BufferedEvent* StorageEnd;
  std::atomic<BufferedEvent*> PutPosition;  // the producer's; atomic so that others may look
  std::atomic<BufferedEvent*> GetPosition;  // the consumer's
  std::uint16_t SlotCount;
  std::atomic<std::uint16_t> PendingCount;
};

// A new empty ring of `capacity` slots (1 to kMaxRingCapacity), or none. Window thread.
CircularEventBuffer* CircularBufferCreate(std::uint16_t capacity);
// Does nothing for none. Window thread, with no producer left.
void CircularBufferFree(CircularEventBuffer* ring);
// Driver callback only: false when the ring is full, which leaves it unchanged.
bool CircularBufferPut(CircularEventBuffer* ring, const BufferedEvent& item) noexcept;
// Consumer only: a copy of the oldest item, leaving the ring unchanged; false when empty.
bool CircularBufferPeek(CircularEventBuffer* ring, BufferedEvent& destination) noexcept;
// Consumer only: drops the oldest item; false when empty.
bool CircularBufferRemove(CircularEventBuffer* ring) noexcept;

}  // namespace midi
