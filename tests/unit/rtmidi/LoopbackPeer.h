#pragma once

// The test's own end of a JACK loopback, made with plain RtMidi: a port that the transport lists
// as an input (the test sends through it) and one it lists as an output (the test records what
// arrives there). Client and port names are longer than the platform's 31 characters.

#include <rtmidi/RtMidi.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<unsigned char>;

class LoopbackPeer {
 public:
  LoopbackPeer();

  std::string SourceName() const { return client_ + "-out:to-the-programmer-under-test"; }
  std::string DestinationName() const { return client_ + "-in:from-the-programmer-under-test"; }

  void Send(const Bytes& message) { source_->sendMessage(&message); }
  void RemoveDestination() { destination_.reset(); }
  // What arrived at the destination, once `count` messages have or the time is up.
  std::vector<Bytes> Received(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  static void Record(double, Bytes* message, void* peer);

  const std::string client_;
  std::mutex mutex_;
  std::vector<Bytes> received_;  // before the ports, whose threads record into it
  std::unique_ptr<RtMidiOut> source_;
  std::unique_ptr<RtMidiIn> destination_;
};

// A System Exclusive message of `size` bytes whose body tells `tag` apart.
Bytes Sysex(std::size_t size, unsigned tag);

}  // namespace testsupport
