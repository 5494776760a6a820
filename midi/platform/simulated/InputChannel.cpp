#include "midi/platform/simulated/InputChannel.h"

#include <algorithm>
#include <optional>
#include <thread>

namespace platform {

namespace {

// A sysex part is not started with less room than this (unless less is left to send, or the ring
// is smaller), so a full ring is not refilled a few bytes at a time.
constexpr std::size_t kLeastPart = 4096;

}  // namespace

InputChannel::InputChannel(std::size_t fifoBytes)
    : records_(fifoBytes), leastRoom_(std::min(records_.Room(), sizeof(Header) + kLeastPart)) {}

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
    const std::size_t part = std::min(bytes.size(), records_.Room() - sizeof(Header));
    const Kind kind = part == bytes.size() ? Kind::SysexEnd : Kind::SysexPart;
    PushRecord({kind, 0}, bytes.first(part));
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
  while (!stop.load(std::memory_order_acquire) && !closed_.load(std::memory_order_acquire)) {
    const std::optional<std::size_t> length = records_.NextLength();
    if (!length) return;
    Header header;
    records_.CopyNext({reinterpret_cast<BYTE*>(&header), sizeof header});
    if (header.kind == Kind::Short) {
      sink.ReceiveShort(header.shortMessage);
    } else if (header.kind == Kind::Loss) {
      sink.ReportLoss();
    } else {
      DeliverSysex(header, *length, sink);
    }
    records_.Pop();
    if (header.kind != Kind::SysexPart) delivered_.fetch_add(1, std::memory_order_release);
  }
}

bool InputChannel::WaitForRoom(std::size_t bytes) {
  producerWaiting_.store(records_.Room() < bytes, std::memory_order_release);
  while (records_.Room() < bytes && !closed_.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  producerWaiting_.store(false, std::memory_order_release);
  return !closed_.load(std::memory_order_acquire);
}

void InputChannel::PushRecord(Header header, std::span<const BYTE> payload) {
  records_.TryPush({reinterpret_cast<const BYTE*>(&header), sizeof header}, payload);
  wake_.Request();
}

void InputChannel::DeliverSysex(const Header& header, std::size_t recordLength, InputSink& sink) noexcept {
  // The sink reads the bytes where they lie: one call per piece, and a record that crosses the
  // end of the ring's memory makes two.
  const bool messageEnds = header.kind == Kind::SysexEnd;
  const std::size_t partLength = recordLength - sizeof header;
  std::size_t done = 0;
  do {
    const std::span<const BYTE> piece = records_.NextPiece(sizeof header + done, partLength - done);
    done += piece.size();
    sink.ReceiveSysex(piece, messageEnds && done == partLength);
  } while (done < partLength);
}

}  // namespace platform
