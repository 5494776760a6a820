#pragma once

// The bytes that RtMidi's JACK ring may still hold, so that no JACK cycle is handed more than
// its MIDI port buffer carries: every message handed over fewer than kCyclesToDrain cycles ago
// counts, and an older one is surely out. Counting each message by its own cycle, rather than
// all of them until the last one is out, lets acknowledgement-paced traffic go without waiting.
// One thread at a time.

#include <cstddef>
#include <cstdint>
#include <deque>

namespace platform {

class CycleBudget {
 public:
  // The counter reads c when a message is handed over. The cycle under way may already have
  // emptied the ring, and cycle c + 1 may still be running when the counter moves on; the one
  // after that has finished, so by c + 3 the message is out.
  static constexpr std::uint64_t kCyclesToDrain = 3;

  // `budget`: the bytes one cycle carries.
  explicit CycleBudget(std::size_t budget) : budget_(budget) {}

  std::size_t Budget() const { return budget_; }
  // Whether `bytes` more fit while the cycle counter reads `cycle`.
  bool Fits(std::size_t bytes, std::uint64_t cycle);
  // Counts `bytes` handed over while the counter read `cycle`.
  void Handed(std::size_t bytes, std::uint64_t cycle);

 private:
  struct Handing {
    std::uint64_t cycle;
    std::size_t bytes;
  };

  const std::size_t budget_;
  std::deque<Handing> handed_;  // oldest first
  std::size_t pending_ = 0;     // the bytes of handed_
};

}  // namespace platform
