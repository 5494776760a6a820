#include "tests/support/LoopbackPeer.h"

#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace testsupport {

bool WaitForCount(const std::atomic<int>& count, int expected) {
  for (int i = 0; i < 1000 && count < expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return count == expected;
}

LoopbackPeer::LoopbackPeer()
    : client_("loopback-peer-of-the-rtmidi-transport-test-" + std::to_string(getpid())),
      source_(platform::JackMidiOutput::Open(client_ + "-out", "to-the-programmer-under-test")),
      destination_(platform::JackMidiInput::Open(client_ + "-in", "from-the-programmer-under-test", arrivals_)) {
  if (source_ == nullptr || destination_ == nullptr) throw std::runtime_error("the loopback peer found no JACK server");
  destinationName_ = destination_->Client().Name();
}

std::vector<Bytes> LoopbackPeer::Received(std::size_t count, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (received_.size() < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    std::optional<Bytes> event = arrivals_.Take(left);
    if (!event) break;
    received_.push_back(std::move(*event));
  }
  return received_;
}

}  // namespace testsupport
