#pragma once

// A MIDI output port of our own on the JACK server. Events are queued by one thread at a time
// and written by the process callback whole and in order, as many as the cycle's port buffer has
// room for; the rest waits for the next cycle, so nothing is ever dropped on the way out. The
// caller learns from Written() when its event went out.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "midi/platform/EventRing.h"
#include "midi/platform/MmSystem.h"
#include "midi/platform/jack/JackClientPort.h"

namespace platform {

class JackMidiOutput {
 public:
  // Null when no server answers or the server runs no cycle within a while.
  static std::unique_ptr<JackMidiOutput> Open(const std::string& clientName, const std::string& portName);

  // The longest event one cycle carries; a longer one can never go out.
  std::size_t LargestEvent() const { return largestEvent_.load(std::memory_order_relaxed); }
  // Queues `bytes` as one event; false when there is no room for it now (or ever, past
  // LargestEvent). One thread at a time.
  bool TryQueue(std::span<const BYTE> bytes);
  // Queues `bytes` as one event, waiting for room while cycles run; false when it can never fit
  // or the server is gone. For programs that send in a loop of their own (the device emulator,
  // test peers); the transport's sends wait in their own way.
  bool Queue(std::span<const BYTE> bytes);
  // Counts of the events queued, and of those written to a cycle, since Open; Written() reaches
  // the number Queued() had after a TryQueue once that event is out. Any thread.
  std::uint64_t Queued() const { return queued_.load(std::memory_order_acquire); }
  std::uint64_t Written() const { return written_.load(std::memory_order_acquire); }

  JackClientPort& Client() { return *client_; }
  const JackClientPort& Client() const { return *client_; }

 private:
  JackMidiOutput();
  static void Process(void* self, const JackClientPort& port, void* portBuffer, jack_nframes_t frames) noexcept;

  EventRing queue_;
  std::atomic<std::uint64_t> queued_{0};
  std::atomic<std::uint64_t> written_{0};
  std::atomic<std::size_t> largestEvent_{0};
  std::unique_ptr<JackClientPort> client_;  // last: closed before what its callback reads
};

}  // namespace platform
