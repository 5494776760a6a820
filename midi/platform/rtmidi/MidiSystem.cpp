#include "midi/platform/rtmidi/MidiSystem.h"

#include <optional>
#include <utility>

#include "midi/platform/rtmidi/SequencerAddress.h"
#include "midi/platform/rtmidi/SystemProbe.h"

namespace platform {

MidiSystem::MidiSystem(RtMidi::Api api, std::string clientName, std::chrono::steady_clock::duration retryInterval)
    : api_(api), clientName_(std::move(clientName)), retryInterval_(retryInterval) {}

MidiSystem::~MidiSystem() { Forget(); }

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
std::vector<SystemPort> MidiSystem::Ports(Direction direction) {
  std::vector<SystemPort> ports;
  if (watch_ != nullptr) {
    for (std::string& name : watch_->MidiPorts(direction == Direction::Input ? JackPortIsOutput : JackPortIsInput))
      ports.push_back({std::move(name), PortSource::Jack});
    return ports;
  }
  RtMidi& lister = direction == Direction::Input ? static_cast<RtMidi&>(*inputs_) : *outputs_;
  for (unsigned port = 0, count = lister.getPortCount(); port < count; ++port) {
    std::string name = lister.getPortName(port);
    const PortSource source = SourceOfAlsaPort(name);
    ports.push_back({std::move(name), source});
  }
  return ports;
}

// The sequencer's own word for it: a kernel client is a driver's. A port whose client cannot be
// asked (it went away since it was listed) counts as a program's, so that it never outranks a
// driver's port.
PortSource MidiSystem::SourceOfAlsaPort(const std::string& name) const {
  const std::optional<snd_seq_addr_t> address = SequencerAddressOf(name);
  snd_seq_client_info_t* client = nullptr;
  snd_seq_client_info_alloca(&client);
  if (!address || snd_seq_get_any_client_info(clientLookup_, address->client, client) < 0)
    return PortSource::AlsaUserClient;
  return snd_seq_client_info_get_type(client) == SND_SEQ_KERNEL_CLIENT ? PortSource::AlsaKernelClient
                                                                       : PortSource::AlsaUserClient;
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
  if (snd_seq_open(&clientLookup_, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) {
    clientLookup_ = nullptr;
    return false;
  }
  snd_seq_set_client_name(clientLookup_, clientName_.c_str());
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
  if (clientLookup_ != nullptr) snd_seq_close(clientLookup_);
  clientLookup_ = nullptr;
}

}  // namespace platform
