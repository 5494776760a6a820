#include "tests/unit/rtmidi/LoopbackPeer.h"

#include <unistd.h>

#include <thread>

namespace testsupport {

namespace {
std::string PortPart(const std::string& fullName) { return fullName.substr(fullName.find(':') + 1); }
}  // namespace

LoopbackPeer::LoopbackPeer()
    : client_("loopback-peer-of-the-rtmidi-transport-test-" + std::to_string(getpid())),
      source_(std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, client_ + "-out")),
      destination_(std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, client_ + "-in")) {
  source_->openVirtualPort(PortPart(SourceName()));
  destination_->ignoreTypes(false, false, false);
  destination_->setCallback(&LoopbackPeer::Record, this);
  destination_->openVirtualPort(PortPart(DestinationName()));
}

std::vector<Bytes> LoopbackPeer::Received(std::size_t count, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(mutex_);
  while (received_.size() < count && std::chrono::steady_clock::now() < deadline) {
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    lock.lock();
  }
  return received_;
}

void LoopbackPeer::Record(double, Bytes* message, void* peer) {
  auto& self = *static_cast<LoopbackPeer*>(peer);
  std::lock_guard lock(self.mutex_);
  self.received_.push_back(*message);
}

Bytes Sysex(std::size_t size, unsigned tag) {
  Bytes message(size);
  for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<unsigned char>((i * 7 + tag) & 0x7F);
  message.front() = 0xF0;
  message.back() = 0xF7;
  return message;
}

}  // namespace testsupport
