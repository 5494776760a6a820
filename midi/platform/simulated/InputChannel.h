#pragma once

// What one open input port receives, on its way from the threads that inject it to the port's
// driver thread: records in an EventRing, and counters of messages injected and delivered. The
// driver side neither allocates nor locks, so the thread it runs on behaves like a real MIDI
// driver's.
//
// Not a queue of its own: the EventRing is. What this adds is the producers' side of a test, which
// may wait for room (a driver may not) and may be many threads (serialised here).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

#include "framework/WakeUp.h"
#include "midi/platform/EventRing.h"
#include "midi/platform/Transport.h"

namespace platform {

class InputChannel {
 public:
  // `fifoBytes` is a power of two, taken at once.
  explicit InputChannel(std::size_t fifoBytes);

  // Producers, from any thread (serialised here). They wait while the ring is full; once the
  // channel is closed, what they push is lost.
  void PushShort(DWORD message);
  // A message larger than the ring goes as several parts.
  void PushSysex(std::span<const BYTE> bytes);
  // A loss the driver reports at this point of the stream; counted like a message.
  void PushLoss();
  // True once every message pushed so far was delivered or lost; false on time-out.
  bool WaitUntilDelivered(std::chrono::milliseconds timeout) const;
  // True while a producer waits for the driver thread to make room.
  bool ProducerWaiting() const noexcept { return producerWaiting_.load(std::memory_order_acquire); }
  // Nothing goes in or out any more; what is queued is lost. Any thread.
  void Close() noexcept;

  // Driver thread.
  // Sleeps until something was pushed or Wake was called.
  void WaitForWork() noexcept;
  void Wake() noexcept;
  // Hands queued records to `sink` until the ring is empty, the channel closes or `stop` is set.
  void DeliverPending(InputSink& sink, const std::atomic<bool>& stop) noexcept;

 private:
  enum class Kind : std::uint32_t { Short, SysexPart, SysexEnd, Loss };
  // Each record is one event of the ring: this, then a sysex part's bytes.
  struct Header {
    Kind kind;
    DWORD shortMessage;  // for Short
  };

  // False when the channel closed meanwhile.
  bool WaitForRoom(std::size_t bytes);
  void PushRecord(Header header, std::span<const BYTE> payload);
  void DeliverSysex(const Header& header, std::size_t recordLength, InputSink& sink) noexcept;

  std::mutex producer_;
  EventRing records_;
  std::size_t leastRoom_;  // that a sysex part waits for
  framework::WakeUp wake_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> producerWaiting_{false};
  std::atomic<std::uint64_t> injected_{0};
  std::atomic<std::uint64_t> delivered_{0};
};

}  // namespace platform
