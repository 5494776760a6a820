#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace framework {

// A fixed-capacity lock-free queue for many producers and one consumer, after Vyukov's bounded
// queue: each slot carries a sequence number that tells whose turn it is, so a producer claims a
// slot with one compare-and-swap and publishes it with one store. All memory is taken in the
// constructor; TryPush never allocates, blocks or locks and may run in any thread, TryPop only
// in the one consumer thread.
//
// Not the port layer's rings (CircularEventBuffer, platform::EventRing): those take one producer;
// here any number of threads post to one message window at once.
template <typename T>
class BoundedQueue {
 public:
  explicit BoundedQueue(std::size_t capacity) : capacity_(capacity), slots_(new Slot[capacity]) {
    for (std::size_t i = 0; i < capacity_; ++i) slots_[i].sequence.store(i, std::memory_order_relaxed);
  }
  BoundedQueue(const BoundedQueue&) = delete;
  BoundedQueue& operator=(const BoundedQueue&) = delete;

  // False when the queue is full.
  bool TryPush(const T& value) noexcept {
    std::size_t position = pushPosition_.load(std::memory_order_relaxed);
    for (;;) {
      Slot& slot = slots_[position % capacity_];
      const std::size_t sequence = slot.sequence.load(std::memory_order_acquire);
      const auto lag = static_cast<std::intptr_t>(sequence) - static_cast<std::intptr_t>(position);
      if (lag < 0) return false;  // the slot still holds a value the consumer has not taken
      if (lag > 0) {
        position = pushPosition_.load(std::memory_order_relaxed);
      } else if (pushPosition_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed)) {
        slot.value = value;
        slot.sequence.store(position + 1, std::memory_order_release);
        return true;
      }
    }
  }

  // False when no value is ready. A producer that has claimed the next slot but not yet filled
  // it makes the queue look empty until it has; it then wakes the consumer itself.
  bool TryPop(T& value) noexcept {
    Slot& slot = slots_[popPosition_ % capacity_];
    if (slot.sequence.load(std::memory_order_acquire) != popPosition_ + 1) return false;
    value = slot.value;
    slot.sequence.store(popPosition_ + capacity_, std::memory_order_release);
    ++popPosition_;
    return true;
  }

 private:
  struct Slot {
    std::atomic<std::size_t> sequence;
    T value;
  };
  static constexpr std::size_t kCacheLine = 64;

  const std::size_t capacity_;
  const std::unique_ptr<Slot[]> slots_;
  // Apart, so producers claiming slots do not keep invalidating the consumer's line.
  alignas(kCacheLine) std::atomic<std::size_t> pushPosition_{0};
  alignas(kCacheLine) std::size_t popPosition_ = 0;
};

}  // namespace framework
