#include "midi/platform/simulated/InputChannel.h"

#include <algorithm>
#include <thread>

namespace platform {

namespace {

// A sysex part is not started with less room than this (unless less is left to send, or the ring
// is smaller), so a full ring is not refilled a few bytes at a time.
constexpr std::size_t kLeastPart = 4096;

}  // namespace

InputChannel::InputChannel(std::size_t fifoBytes)
    : ring_(fifoBytes), leastRoom_(std::min(fifoBytes, sizeof(Header) + kLeastPart)) {}

void InputChannel::PushShort(DWORD message) {
  std::lock_guard lock(producer_);
  if (closed_.load(std::memory_order_acquire)) return;
  injected_.fetch_add(1, std::memory_order_relaxed);
  if (WaitForRoom(sizeof(Header))) PushRecord({Kind::Short, message}, {});
}

void InputChannel::PushSysex(std::span<const BYTE> bytes) {
  std::lock_guard lock(producer_);
  if (closed_.load(std::memory_order_acquire)) return;
  injected_.fetch_add(1, std::memory_order_relaxed);
  do {
    if (!WaitForRoom(std::min(sizeof(Header) + bytes.size(), leastRoom_))) return;
    const std::size_t part = std::min(bytes.size(), ring_.WritableBytes() - sizeof(Header));
    const Kind kind = part == bytes.size() ? Kind::SysexEnd : Kind::SysexPart;
    PushRecord({kind, static_cast<std::uint32_t>(part)}, bytes.first(part));
    bytes = bytes.subspan(part);
  } while (!bytes.empty());
}

void InputChannel::PushLoss() {
  std::lock_guard lock(producer_);
  if (closed_.load(std::memory_order_acquire)) return;
  injected_.fetch_add(1, std::memory_order_relaxed);
  if (WaitForRoom(sizeof(Header))) PushRecord({Kind::Loss, 0}, {});
}

bool InputChannel::WaitUntilDelivered(std::chrono::milliseconds timeout) const {
  const std::uint64_t target = injected_.load(std::memory_order_relaxed);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (delivered_.load(std::memory_order_acquire) < target && !closed_.load(std::memory_order_acquire)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void InputChannel::Close() noexcept { closed_.store(true, std::memory_order_release); }

void InputChannel::WaitForWork() noexcept { wake_.Wait(); }

void InputChannel::Wake() noexcept { wake_.Request(); }

void InputChannel::DeliverPending(InputSink& sink, const std::atomic<bool>& stop) noexcept {
  while (!stop.load(std::memory_order_acquire) && !closed_.load(std::memory_order_acquire) &&
         ring_.ReadableBytes() != 0) {
    Header header;
    ring_.CopyOut(0, {reinterpret_cast<BYTE*>(&header), sizeof header});
    if (header.kind == Kind::Short) {
      sink.ReceiveShort(header.value);
      ring_.Consume(sizeof header);
    } else if (header.kind == Kind::Loss) {
      sink.ReportLoss();
      ring_.Consume(sizeof header);
    } else {
      DeliverSysex(header, sink);
      ring_.Consume(sizeof header + header.value);
    }
    if (header.kind != Kind::SysexPart) delivered_.fetch_add(1, std::memory_order_release);
  }
}

bool InputChannel::WaitForRoom(std::size_t bytes) {
  producerWaiting_.store(ring_.WritableBytes() < bytes, std::memory_order_release);
  while (ring_.WritableBytes() < bytes && !closed_.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  producerWaiting_.store(false, std::memory_order_release);
  return !closed_.load(std::memory_order_acquire);
}

void InputChannel::PushRecord(Header header, std::span<const BYTE> payload) {
  ring_.Push({reinterpret_cast<const BYTE*>(&header), sizeof header}, payload);
  wake_.Request();
}

void InputChannel::DeliverSysex(const Header& header, InputSink& sink) noexcept {
  // The sink reads the bytes where they lie: one call per piece, and a record that crosses the
  // end of the ring's memory makes two.
  const bool messageEnds = header.kind == Kind::SysexEnd;
  std::size_t done = 0;
  do {
    const std::span<const BYTE> piece = ring_.Contiguous(sizeof header + done, header.value - done);
    done += piece.size();
    sink.ReceiveSysex(piece, messageEnds && done == header.value);
  } while (done < header.value);
}

}  // namespace platform
