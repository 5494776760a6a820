#pragma once

// The events a JACK input port of ours received, handed from JACK's real-time thread to one
// other thread without locks or allocation on the real-time side. For programs that take their
// input in a loop of their own (the device emulator, test peers) rather than through a sink.
// An event that finds the queue full (a MiB by default) is dropped, never waited for, and counted
// with the events the input reported lost.
//
// Not a queue of its own: the EventRing is. What this adds is a consumer that may sleep until an
// event comes (a semaphore, which JACK's thread may post) and the count of what was dropped.

#include <semaphore.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "midi/platform/EventRing.h"
#include "midi/platform/jack/JackMidiInput.h"

namespace platform {

class ReceivedEvents final : public JackEventReceiver {
 public:
  // `capacity`: a power of two, the bytes that may wait.
  explicit ReceivedEvents(std::size_t capacity = 1 << 20);
  ~ReceivedEvents();
  ReceivedEvents(const ReceivedEvents&) = delete;
  ReceivedEvents& operator=(const ReceivedEvents&) = delete;

  void ReceiveEvent(std::span<const BYTE> bytes) noexcept override;
  void EventsLost() noexcept override { lost_.fetch_add(1, std::memory_order_relaxed); }

  // Times events were lost: dropped here, or reported lost by the input. Any thread.
  int Lost() const { return lost_.load(std::memory_order_relaxed); }

  // The oldest waiting event, once one has come or the time is up. One thread at a time.
  std::optional<std::vector<BYTE>> Take(std::chrono::milliseconds timeout);

 private:
  EventRing queue_;
  sem_t waiting_;  // counts the events queued; posting it is lock-free
  std::atomic<int> lost_{0};
};

}  // namespace platform
