#include "midi/platform/MidiSystem.h"

#include <utility>

namespace platform {

MidiSystem::MidiSystem(MidiSystems which, std::string clientName, std::chrono::steady_clock::duration retryInterval)
    : which_(which), clientName_(std::move(clientName)), retryInterval_(retryInterval) {}

bool MidiSystem::Ready() {
  const auto now = std::chrono::steady_clock::now();
  if (Connected() && Lost()) {
    Forget();
    nextProbe_ = now + retryInterval_;
  }
  if (!Connected() && now >= nextProbe_) {
    nextProbe_ = now + retryInterval_;
    if (!Connect()) Forget();
  }
  return Connected();
}

}  // namespace platform
