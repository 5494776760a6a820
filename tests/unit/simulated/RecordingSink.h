#pragma once

// An input sink for tests: reassembles what the driver thread hands over into whole messages and
// notes the thread and the parts. It can be blocked, to keep the driver thread busy.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "midi/platform/Transport.h"

namespace testsupport {

struct Received {
  bool isSysex = false;
  DWORD shortMessage = 0;
  std::vector<BYTE> bytes;
  int parts = 0;
  bool operator==(const Received&) const = default;
};

inline Received Short(DWORD message) { return {false, message, {}, 0}; }
inline Received Sysex(std::vector<BYTE> bytes) { return {true, 0, std::move(bytes), 0}; }

class RecordingSink final : public platform::InputSink {
 public:
  void ReceiveShort(DWORD message) noexcept override {
    Arrive();
    std::lock_guard lock(mutex_);
    messages_.push_back(Short(message));
  }

  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override {
    Arrive();
    std::lock_guard lock(mutex_);
    partial_.bytes.insert(partial_.bytes.end(), bytes.begin(), bytes.end());
    ++partial_.parts;
    if (!messageEnds) return;
    partial_.isSysex = true;
    messages_.push_back(std::move(partial_));
    partial_ = {};
  }

  // Whole messages in order of arrival; `parts` counts the calls a sysex came in.
  std::vector<Received> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  std::thread::id Thread() const {
    std::lock_guard lock(mutex_);
    return thread_;
  }
  int Calls() const { return calls_.load(); }
  // Every part not yet followed by its end; nonzero when a message was cut off.
  std::size_t PendingBytes() const {
    std::lock_guard lock(mutex_);
    return partial_.bytes.size();
  }

  // While blocked, the driver thread waits in the next call.
  void Block() { SetGate(false); }
  void Release() { SetGate(true); }

 private:
  void Arrive() {
    ++calls_;
    std::unique_lock lock(mutex_);
    thread_ = std::this_thread::get_id();
    gateChanged_.wait(lock, [this] { return gateOpen_; });
  }
  void SetGate(bool open) {
    std::lock_guard lock(mutex_);
    gateOpen_ = open;
    gateChanged_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable gateChanged_;
  bool gateOpen_ = true;
  std::atomic<int> calls_{0};
  std::thread::id thread_;
  std::vector<Received> messages_;
  Received partial_;
};

}  // namespace testsupport
