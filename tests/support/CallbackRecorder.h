#pragma once

// Records what a platform device reports through its function callback, on whichever thread the
// platform calls it, so that tests can wait for and inspect the calls.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "midi/platform/MmSystem.h"

namespace testsupport {

struct CallbackCall {
  UINT message;
  DWORD_PTR param1;
  DWORD_PTR param2;
  std::thread::id thread;
};

class CallbackRecorder {
 public:
  // Pass as the callback with the recorder as instance data and CALLBACK_FUNCTION.
  static void Record(void* /*device*/, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2) {
    auto* recorder = reinterpret_cast<CallbackRecorder*>(instance);
    {
      std::lock_guard lock(recorder->mutex_);
      recorder->calls_.push_back({message, param1, param2, std::this_thread::get_id()});
    }
    recorder->changed_.notify_all();
  }

  DWORD_PTR Callback() const { return reinterpret_cast<DWORD_PTR>(&CallbackRecorder::Record); }
  DWORD_PTR Instance() { return reinterpret_cast<DWORD_PTR>(this); }

  std::vector<CallbackCall> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  // The calls with the given message number, in order.
  std::vector<CallbackCall> CallsOf(UINT message) const {
    std::vector<CallbackCall> matching;
    for (const CallbackCall& call : Calls())
      if (call.message == message) matching.push_back(call);
    return matching;
  }

  // Waits until `count` calls with `message` have arrived; false on time-out.
  bool WaitFor(UINT message, std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
      std::size_t seen = 0;
      for (const CallbackCall& call : calls_) seen += call.message == message ? 1 : 0;
      return seen >= count;
    });
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<CallbackCall> calls_;
};

}  // namespace testsupport
