#include "midi/platform/simulated/InputDriver.h"

namespace platform {

InputDriver::InputDriver(InputChannel& channel, InputSink& sink)
    : channel_(channel), sink_(sink), thread_([this] { Run(); }) {}

InputDriver::~InputDriver() {
  stop_.store(true, std::memory_order_release);
  channel_.Wake();
  thread_.join();
}

void InputDriver::Run() noexcept {
  while (!stop_.load(std::memory_order_acquire)) {
    channel_.DeliverPending(sink_, stop_);
    channel_.WaitForWork();
  }
}

}  // namespace platform
