#include "midi/platform/rtmidi/JackPacer.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace platform {

namespace {

// RtMidi 5's JACK output ring; one byte of it always stays free.
constexpr std::size_t kRtMidiRingBytes = 16384 - 1;
// Room each message takes besides its bytes: RtMidi's length word in the ring, JACK's event
// record in the port buffer.
constexpr std::size_t kPerMessageBytes = 16;
// The head of JACK's port buffer.
constexpr std::size_t kPortBufferHeadBytes = 64;
constexpr std::chrono::milliseconds kPollInterval{1};

std::size_t BudgetOf(const JackWatch& watch) {
  const std::size_t portBytes = std::max(watch.MidiPortBytes(), kPortBufferHeadBytes);
  return std::min(portBytes - kPortBufferHeadBytes, kRtMidiRingBytes);
}

}  // namespace

JackPacer::JackPacer(std::shared_ptr<JackWatch> watch) : watch_(std::move(watch)), pending_(BudgetOf(*watch_)) {
  watch_->CountCycles();
}

std::size_t JackPacer::LargestMessage() const {
  return pending_.Budget() > kPerMessageBytes ? pending_.Budget() - kPerMessageBytes : 0;
}

JackPacer::Room JackPacer::MakeRoom(std::size_t size, const std::atomic<bool>* cancel) {
  while (!pending_.Fits(size + kPerMessageBytes, watch_->Cycle())) {
    if (watch_->ServerGone()) return Room::ServerGone;
    if (cancel != nullptr && cancel->load(std::memory_order_acquire)) return Room::Cancelled;
    std::this_thread::sleep_for(kPollInterval);
  }
  return Room::Ready;
}

void JackPacer::Sent(std::size_t size) { pending_.Handed(size + kPerMessageBytes, watch_->Cycle()); }

}  // namespace platform
