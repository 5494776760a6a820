#include "midi/platform/rtmidi/MidiSystem.h"

#include <utility>

#include "midi/platform/rtmidi/SystemProbe.h"

namespace platform {

MidiSystem::MidiSystem(RtMidi::Api api, std::string clientName, std::chrono::steady_clock::duration retryInterval)
    : api_(api), clientName_(std::move(clientName)), retryInterval_(retryInterval) {}

bool MidiSystem::Ready() {
  const auto now = std::chrono::steady_clock::now();
  if (watch_ != nullptr && watch_->ServerGone()) {
    Forget();
    nextProbe_ = now + retryInterval_;
  }
  if (!Answering() && now >= nextProbe_) {
    nextProbe_ = now + retryInterval_;
    if (!Probe()) Forget();
  }
  return Answering();
}

// RtMidi's JACK lister names a port by jack_get_ports with these flags, as the watch does.
std::vector<std::string> MidiSystem::PortNames(Direction direction) {
  if (watch_ != nullptr) return watch_->MidiPorts(direction == Direction::Input ? JackPortIsOutput : JackPortIsInput);
  RtMidi& lister = direction == Direction::Input ? static_cast<RtMidi&>(*inputs_) : *outputs_;
  std::vector<std::string> names;
  for (unsigned port = 0, count = lister.getPortCount(); port < count; ++port)
    names.push_back(lister.getPortName(port));
  return names;
}

bool MidiSystem::Answering() const { return watch_ != nullptr || inputs_ != nullptr; }

// RtMidi prints while it is being built, before it can be told not to; it is built only for a
// system that has just answered its own library.
bool MidiSystem::Probe() {
  if (api_ == RtMidi::UNIX_JACK) {
    watch_ = JackWatch::Connect(clientName_);
    return watch_ != nullptr;
  }
  if (!AlsaSequencerAnswers()) return false;
  try {
    inputs_ = std::make_unique<RtMidiIn>(api_, clientName_);
    errors_.Install(*inputs_);
    outputs_ = std::make_unique<RtMidiOut>(api_, clientName_);
    errors_.Install(*outputs_);
  } catch (const RtMidiError&) {
    return false;
  }
  return true;
}

void MidiSystem::Forget() {
  inputs_.reset();
  outputs_.reset();
  watch_.reset();
}

}  // namespace platform
