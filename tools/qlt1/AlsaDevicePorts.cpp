#include "tools/qlt1/AlsaDevicePorts.h"

namespace qlt1 {

namespace {
void Quiet(RtMidiError::Type, const std::string&, void*) {}
}  // namespace

AlsaDevicePorts::AlsaDevicePorts(const std::string& portName)
    : toTool_(RtMidi::LINUX_ALSA, "QLT-1"), fromTool_(RtMidi::LINUX_ALSA, "QLT-1 in", 4096) {
  toTool_.setErrorCallback(&Quiet);
  fromTool_.setErrorCallback(&Quiet);
  fromTool_.ignoreTypes(false, true, true);
  fromTool_.setCallback(&AlsaDevicePorts::OnMidiIn, this);
  toTool_.openVirtualPort(portName);
  fromTool_.openVirtualPort(portName);
}

// RtMidi's input thread stops before the queue goes.
AlsaDevicePorts::~AlsaDevicePorts() { fromTool_.closePort(); }

std::optional<Message> AlsaDevicePorts::Next(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!arrived_.wait_for(lock, timeout, [this] { return !inbox_.empty(); })) return std::nullopt;
  Message message = std::move(inbox_.front());
  inbox_.pop_front();
  return message;
}

void AlsaDevicePorts::Send(const Message& message) { toTool_.sendMessage(&message); }

// RtMidi's input thread (an ordinary thread on ALSA): queued for the emulator's loop.
void AlsaDevicePorts::OnMidiIn(double, std::vector<unsigned char>* message, void* ports) {
  auto& self = *static_cast<AlsaDevicePorts*>(ports);
  {
    std::lock_guard lock(self.mutex_);
    self.inbox_.emplace_back(message->begin(), message->end());
  }
  self.arrived_.notify_one();
}

}  // namespace qlt1
