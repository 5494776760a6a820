#pragma once

// The test's own end of a JACK loopback, made of JACK ports of our own (not the transport's): a
// port that the transport lists as an input (the test sends through it) and one it lists as an
// output (the test records what arrives there). Client and port names are longer than the
// platform's 31 characters.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "midi/platform/jack/JackMidiInput.h"
#include "midi/platform/jack/JackMidiOutput.h"
#include "midi/platform/jack/ReceivedEvents.h"
#include "tests/support/SysexMessage.h"

namespace testsupport {

// Waits until a count that JACK's thread keeps reaches `expected`, for 10 s at most; whether it
// is then exactly `expected`.
bool WaitForCount(const std::atomic<int>& count, int expected);

class LoopbackPeer {
 public:
  LoopbackPeer();

  std::string SourceName() const { return source_->Client().Name(); }
  std::string DestinationName() const { return destinationName_; }

  // Sends `message` as one event; false when it never can.
  bool Send(const Bytes& message) { return source_->Queue(message); }
  void RemoveDestination() { destination_.reset(); }
  // What arrived at the destination, once `count` messages have or the time is up.
  std::vector<Bytes> Received(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Forgets what arrived so far.
  void ClearReceived() { received_.clear(); }

 private:
  const std::string client_;
  std::vector<Bytes> received_;
  platform::ReceivedEvents arrivals_;  // before the destination, which delivers to it
  std::unique_ptr<platform::JackMidiOutput> source_;
  std::unique_ptr<platform::JackMidiInput> destination_;
  std::string destinationName_;
};

}  // namespace testsupport
