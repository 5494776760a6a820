#pragma once

// The input buffers lent to a device, oldest first, linked through their own lpNext fields as on
// the platform, so lending allocates nothing. Many producers (midiInAddBuffer), one consumer (the
// driver thread, or the window thread while the device is stopped); neither side locks. A pop
// that races with an unfinished push may find nothing for that moment.
//
// Not framework::BoundedQueue nor the rings: the buffers are the caller's and carry the link
// themselves, so the queue has no capacity to run out of and copies nothing.

#include <atomic>

#include "midi/platform/MmSystem.h"

namespace platform {

class LentBufferQueue {
 public:
  LentBufferQueue() = default;
  LentBufferQueue(const LentBufferQueue&) = delete;
  LentBufferQueue& operator=(const LentBufferQueue&) = delete;

  void Push(MIDIHDR* header) noexcept {
    NextOf(header).store(nullptr, std::memory_order_relaxed);
    MIDIHDR* previous = head_.exchange(header, std::memory_order_acq_rel);
    NextOf(previous).store(header, std::memory_order_release);
  }

  // The oldest lent buffer, or none. Consumer only.
  MIDIHDR* Pop() noexcept {
    MIDIHDR* tail = tail_;
    MIDIHDR* next = NextOf(tail).load(std::memory_order_acquire);
    if (tail == &stub_) {
      if (next == nullptr) return nullptr;
      tail_ = next;
      tail = next;
      next = NextOf(next).load(std::memory_order_acquire);
    }
    if (next != nullptr) {
      tail_ = next;
      return tail;
    }
    if (tail != head_.load(std::memory_order_acquire)) return nullptr;
    Push(&stub_);
    next = NextOf(tail).load(std::memory_order_acquire);
    if (next == nullptr) return nullptr;
    tail_ = next;
    return tail;
  }

 private:
  static std::atomic_ref<MIDIHDR*> NextOf(MIDIHDR* header) noexcept {
    return std::atomic_ref<MIDIHDR*>(header->lpNext);
  }

  MIDIHDR stub_{};
  std::atomic<MIDIHDR*> head_{&stub_};
  MIDIHDR* tail_ = &stub_;
};

}  // namespace platform
