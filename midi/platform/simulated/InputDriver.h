#pragma once

// The driver thread of one open input port: hands what its channel receives to the sink until
// the driver is destroyed.

#include <atomic>
#include <thread>

#include "midi/platform/Transport.h"
#include "midi/platform/simulated/InputChannel.h"

namespace platform {

class InputDriver {
 public:
  // Starts the thread; `channel` and `sink` must outlive the driver.
  InputDriver(InputChannel& channel, InputSink& sink);
  // Stops the thread and joins it: the sink is not called once this returns.
  ~InputDriver();
  InputDriver(const InputDriver&) = delete;
  InputDriver& operator=(const InputDriver&) = delete;

  std::thread::id Id() const { return thread_.get_id(); }

 private:
  void Run() noexcept;

  InputChannel& channel_;
  InputSink& sink_;
  std::atomic<bool> stop_{false};
  std::thread thread_;  // last: starts once everything it uses is made
};

}  // namespace platform
