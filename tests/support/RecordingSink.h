#pragma once

// An input sink for tests: reassembles what the driver thread hands over into whole messages, with
// the losses it reports in their place, and notes the thread and the parts. It can be blocked, to
// keep the driver thread inside a call.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "midi/platform/Transport.h"

namespace testsupport {

struct Received {
  bool isSysex = false;
  DWORD shortMessage = 0;
  std::vector<BYTE> bytes;
  int parts = 0;        // calls a sysex came in; not compared
  bool isLoss = false;  // not a message: the transport reported a loss here
  bool operator==(const Received& other) const {
    return isSysex == other.isSysex && shortMessage == other.shortMessage && bytes == other.bytes &&
           isLoss == other.isLoss;
  }
};

inline void PrintTo(const Received& received, std::ostream* out) {
  if (received.isLoss) {
    *out << "a loss";
  } else if (received.isSysex) {
    *out << "System Exclusive of " << received.bytes.size() << " bytes";
    for (std::size_t i = 0; i < received.bytes.size() && i < 8; ++i) *out << ' ' << int{received.bytes[i]};
  } else {
    *out << "short message " << received.shortMessage;
  }
}

// Where the transport reported a loss.
inline Received Loss() { return {false, 0, {}, 0, true}; }

class RecordingSink final : public platform::InputSink {
 public:
  void ReceiveShort(DWORD message) noexcept override {
    std::unique_lock lock = Arrive();
    messages_.push_back({false, message, {}, 0});
    messagesChanged_.notify_all();
  }
  void ReceiveSysex(std::span<const BYTE> bytes, bool messageEnds) noexcept override {
    std::unique_lock lock = Arrive();
    partial_.isSysex = true;
    partial_.bytes.insert(partial_.bytes.end(), bytes.begin(), bytes.end());
    ++partial_.parts;
    if (messageEnds) {
      messages_.push_back(std::exchange(partial_, {}));
      messagesChanged_.notify_all();
    }
  }

  void ReportLoss() noexcept override {
    std::unique_lock lock = Arrive();
    messages_.push_back(Loss());
    messagesChanged_.notify_all();
  }

  std::vector<Received> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  // The messages once `count` have come, or when `timeout` has passed.
  std::vector<Received> WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    messagesChanged_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
    return messages_;
  }
  std::thread::id Thread() const {
    std::lock_guard lock(mutex_);
    return thread_;
  }
  int Calls() const { return calls_; }

  // While blocked, the driver thread waits in the next call.
  void Block() { SetGate(false); }
  void Release() { SetGate(true); }

 private:
  std::unique_lock<std::mutex> Arrive() {
    ++calls_;
    std::unique_lock lock(mutex_);
    thread_ = std::this_thread::get_id();
    gateChanged_.wait(lock, [this] { return gateOpen_; });
    return lock;
  }
  void SetGate(bool open) {
    std::lock_guard lock(mutex_);
    gateOpen_ = open;
    gateChanged_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable gateChanged_;
  mutable std::condition_variable messagesChanged_;
  bool gateOpen_ = true;
  std::atomic<int> calls_{0};
  std::thread::id thread_;
  std::vector<Received> messages_;
  Received partial_;
};

inline Received Short(DWORD message) { return {false, message, {}, 0}; }
inline Received Sysex(std::vector<BYTE> bytes) { return {true, 0, std::move(bytes), 0}; }

}  // namespace testsupport
