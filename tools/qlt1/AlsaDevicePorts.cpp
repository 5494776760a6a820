#include "tools/qlt1/AlsaDevicePorts.h"

#include <stdexcept>
#include <thread>

namespace qlt1 {

namespace {
void Quiet(RtMidiError::Type, const std::string&, void*) {}
constexpr auto kRetryPause = std::chrono::milliseconds(1);
constexpr auto kRetryLimit = std::chrono::seconds(10);
}  // namespace

AlsaDevicePorts::AlsaDevicePorts(const std::string& portName)
    : toTool_(RtMidi::LINUX_ALSA, "QLT-1"), fromTool_(RtMidi::LINUX_ALSA, "QLT-1 in", 4096) {
  toTool_.setErrorCallback(&AlsaDevicePorts::OnSendError, &sendRefused_);
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

void AlsaDevicePorts::Send(const Message& message) {
  const auto giveUp = std::chrono::steady_clock::now() + kRetryLimit;
  for (;;) {
    sendRefused_ = false;
    toTool_.sendMessage(&message);
    if (!sendRefused_) return;
    if (std::chrono::steady_clock::now() >= giveUp)
      throw std::runtime_error("the ALSA sequencer took no message for 10 s");
    std::this_thread::sleep_for(kRetryPause);
  }
}

void AlsaDevicePorts::OnSendError(RtMidiError::Type, const std::string&, void* refused) {
  *static_cast<bool*>(refused) = true;
}

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
