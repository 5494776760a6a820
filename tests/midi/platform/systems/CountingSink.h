#pragma once

// An input sink for the driver-thread tests of the transport's inputs: it keeps counts only, as a
// real sink must, except on one message, on which it allocates and locks, to show that the
// thread calling it is watched. It notes that thread, and starts watching it there.

#include <atomic>
#include <cstddef>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "midi/platform/Transport.h"
#include "tests/support/HeapAndLockCounter.h"

namespace testsupport {

inline constexpr DWORD kAllocatingMessage = 0xF6;

class CountingSink final : public platform::InputSink {
 public:
  // Counts System Exclusive messages of `sysexSize` bytes that arrive whole, in any number of parts.
  explicit CountingSink(std::size_t sysexSize) : sysexSize_(sysexSize) {}

  void ReceiveShort(DWORD message) noexcept override {
    if (message == kAllocatingMessage) {
      driverThread = std::this_thread::get_id();
      WatchThread(driverThread);
      std::lock_guard lock(mutex_);
      delete new std::vector<int>(8);
    }
    ++shorts;
  }
  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override {
    received_ += bytes.size();
    if (!messageEnds) return;
    if (received_ == sysexSize_ && !bytes.empty() && bytes.back() == 0xF7) ++wholeSysex;
    received_ = 0;
  }
  void ReportLoss() noexcept override { ++losses; }

  std::atomic<std::thread::id> driverThread{};
  std::atomic<int> shorts{0};
  std::atomic<int> wholeSysex{0};
  std::atomic<int> losses{0};

 private:
  const std::size_t sysexSize_;
  std::size_t received_ = 0;  // bytes of the message under way; the driver thread's only
  std::mutex mutex_;
};

}  // namespace testsupport
